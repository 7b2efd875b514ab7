#pragma once

#include "tests/session/ChildProcesses.h"
#include "tests/session/SessionHome.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <memory>
#include <optional>

namespace tavlin {

// A private headless GNOME Shell for one test process: two virtual monitors side by side, its
// own session and system buses, settings from a keyfile, our extension and a test helper that
// opens the shell's screenshot and evaluation interfaces. Start it before the QGuiApplication
// exists and stop it after that is gone; every program it started dies with it.
class GnomeSession
{
public:
    GnomeSession();
    ~GnomeSession();
    GnomeSession(const GnomeSession&) = delete;
    GnomeSession& operator=(const GnomeSession&) = delete;

    static GnomeSession* current();
    // Why no session can run here at all (GNOME Shell is not installed), else empty.
    static QString unavailableReason();

    bool start();
    void stop();
    QString errorString() const { return m_error; }

    // The monitors' logical rectangles, left to right.
    QList<QRect> monitorRects() const;
    QString scratchPath() const;

    // Runs JavaScript inside the shell; its result as text, or none when it threw.
    std::optional<QString> eval(const QString& script);

    // A Wayland window of our test client in one colour, moved to `geometry`; its pid, or 0
    // once it did not show there. `pressedColor`: the colour it turns once clicked.
    qint64 startWindow(const QRect& geometry, const QColor& color,
                       const QString& appId = QStringLiteral("tavlin-test-window"),
                       const QColor& pressedColor = {});
    QByteArray outputOf(qint64 pid) const;
    void stopProgram(qint64 pid);
    // Moves every window of `pid`, as a user dragging it would.
    bool moveWindow(qint64 pid, const QPoint& topLeft);
    // Runs `call` (a method of Meta.Window, e.g. "raise()") on every window of `pid`.
    bool onWindows(qint64 pid, const QString& call);

    // Everything shown, in logical pixels.
    QImage grabScreen();
    // A press and release of the left button at a global point, through a virtual pointer.
    bool click(const QPoint& point);
    // Presses the keys (Clutter's key names: "Control_L", "d") in order, then lets them go.
    bool pressKeys(const QStringList& keys);

private:
    bool fail(const QString& what, const QString& logName = {});
    bool writeSettings();

    std::unique_ptr<SessionHome> m_home;
    ChildProcesses m_children;
    QList<std::pair<qint64, QString>> m_logs; // pid, log name
    int m_runs = 0;
    QString m_error;
};

} // namespace tavlin
