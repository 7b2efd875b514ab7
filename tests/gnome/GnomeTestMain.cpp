#include "tests/gnome/GnomeTestMain.h"

#include "tests/gnome/GnomeSession.h"
#include "tests/session/SessionTestMain.h"

namespace tavlin {

int runGnomeTest(int argc, char** argv, const std::function<int(int, char**)>& tests)
{
    if (const QString missing = GnomeSession::unavailableReason(); !missing.isEmpty())
        return sessionMissing(missing);
    GnomeSession session;
    return runInSession(argc, argv, session, "wayland", {}, tests);
}

} // namespace tavlin
