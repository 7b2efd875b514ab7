#pragma once

#include "tests/session/TestSession.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <optional>

namespace tavlin {

// A private headless GNOME Shell for one test process: two virtual monitors side by side, its
// own session and system buses, settings from a keyfile, our extension and a test helper that
// opens the shell's screenshot and evaluation interfaces.
class GnomeSession : public TestSession
{
public:
    // The session started last and not yet stopped, for the test functions.
    static GnomeSession* current() { return static_cast<GnomeSession*>(s_current); }
    QString unavailableReason() const override;

    bool start() override;

    // The monitors' logical rectangles, left to right.
    QList<QRect> outputRects() const;

    // Runs JavaScript inside the shell; its result as text, or none when it threw.
    std::optional<QString> eval(const QString& script);

    void stopProgram(qint64 pid) { m_children.stop(pid); }
    // Moves and resizes every window of `pid`, as a user dragging it would.
    bool moveWindow(qint64 pid, const QRect& geometry);
    // Runs `call` (a method of Meta.Window, e.g. "raise()") on every window of `pid`.
    bool onWindows(qint64 pid, const QString& call);

    // Everything shown, in logical pixels.
    QImage grabScreen();
    // A press and release of the left button at a global point, through a virtual pointer.
    bool click(const QPoint& point);
    // Presses the keys (Clutter's key names: "Control_L", "d") in order, then lets them go.
    bool pressKeys(const QStringList& keys);

private:
    // Nothing waits for a window through the base: the tests move it and look.
    bool showsWindowOf(qint64) override { return true; }
};

} // namespace tavlin
