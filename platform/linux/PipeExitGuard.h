#pragma once

#include "platform/ExitGuard.h"

#include <QByteArray>
#include <QByteArrayList>

namespace tavlin {

// The helper is `program` with `arguments`, in a session of its own (a Ctrl-C or a hang-up
// meant for this program must not end it too), its standard input the read end of a pipe whose
// only write end this process holds. The kernel closes that end however this process ends, and
// the helper, reading, sees the end of its input. Started through an intermediate process that
// ends at once, so the helper is nobody's zombie.
class PipeExitGuard final : public ExitGuard
{
public:
    PipeExitGuard(QByteArray program, QByteArrayList arguments);
    ~PipeExitGuard() override;
    PipeExitGuard(const PipeExitGuard&) = delete;
    PipeExitGuard& operator=(const PipeExitGuard&) = delete;

    bool arm() override;
    void disarm() override;

    // In the helper: returns once the guarded process has ended or let go.
    static void waitForGuardedProcess();

private:
    QByteArray m_program;
    QByteArrayList m_arguments;
    int m_writeEnd = -1;
};

} // namespace tavlin
