#pragma once

#include "tests/session/ChildProcesses.h"
#include "tests/session/SessionHome.h"
#include "tests/x11/X11SessionFiles.h"
#include "tests/x11/XcbProbe.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace tavlin {

struct X11SessionOptions
{
    QSize screenSize{1920, 1080};
    bool twoMonitors = false;  // side by side, each half the screen
    bool compositor = false;   // picom, xrender backend, no fades or shadows
    bool desktopIcons = false; // pcmanfm drawing the desktop folder on a plain colour
    bool tray = false;         // trayer, a system tray along the bottom edge
    // xfce4-panel's status tray along the bottom edge: a StatusNotifierItem host, where tray
    // menus travel over D-Bus and the host draws them
    bool statusNotifierHost = false;
};

// What a test window says of itself, besides where it is and how it looks.
struct TestWindowOptions
{
    QString instance{};    // WM_CLASS; the test window's own when empty
    QString windowClass{}; // likewise
    QString type{};        // "DOCK", "DIALOG" ...: _NET_WM_WINDOW_TYPE; none when empty
    bool icon = false;     // a 16 × 16 _NET_WM_ICON
    int windows = 1;       // opened by the one process, each 20 pixels further down and right
    // On each SIGUSR1 the first window moves by drag per frame, 60 a second, for dragFrames
    // frames, and back on the next.
    QPoint drag{};
    int dragFrames = 0;
};

// A private X display for one test process: Xvfb, openbox, and on request picom, pcmanfm's
// desktop and a tray, all reading configuration from a temporary home. Start it before the
// QApplication exists and stop it after that is gone; every program it started dies with it.
class X11Session
{
public:
    // The colour pcmanfm paints the desktop with, around its icons.
    static constexpr QRgb desktopColor = X11SessionFiles::desktopColor;
    static constexpr int desktopCount = 4;

    explicit X11Session(X11SessionOptions options = {});
    ~X11Session();
    X11Session(const X11Session&) = delete;
    X11Session& operator=(const X11Session&) = delete;

    // The session started last and not yet stopped, for the test functions.
    static X11Session* current();

    bool start();
    void stop();
    QString errorString() const { return m_error; }

    const X11SessionOptions& options() const { return m_options; }
    QByteArray display() const { return m_display; }
    QString homePath() const;
    QString desktopFolder() const;
    // Room for a test's own files; removed with the session.
    QString scratchPath() const;
    XcbProbe& probe() { return *m_probe; }

    // What the monitors are meant to be now, in window-system pixels.
    QList<QRect> monitorRects() const;
    // The screen's two halves side by side, or the one output alone.
    QList<QRect> twoMonitorRects() const;
    // Also waits for the application's QScreens to match, when there is one, and restarts the
    // desktop, which would not follow. No monitors: the one output alone.
    bool setMonitors(const QList<QRect>& monitors, int primary = 0);
    bool setTwoMonitors(bool two) { return setMonitors(two ? twoMonitorRects() : QList<QRect>()); }

    // trayer along the bottom edge, also when the session started without it.
    bool startTray();
    bool startStatusNotifierHost();
    bool startCompositor();
    bool stopCompositor();
    bool compositorActive();

    bool switchDesktop(int desktop);
    int currentDesktop();

    // Starts a program that opens a window and waits until the window manager shows it; the
    // pid, or 0. The window carries _NET_WM_PID.
    qint64 startClient(const QString& program, const QStringList& args);
    // A solid, undecorated window at `geometry`.
    qint64 startWindow(const QRect& geometry, const QColor& color, double opacity = 1.0,
                       const QString& title = {}, const TestWindowOptions& options = {});
    quint32 windowOf(qint64 pid);
    // A program that shows no window of its own (a tray program); it dies with the session.
    qint64 startProgram(const QString& program, const QStringList& args = {});
    // Its exit status once it ended within `timeoutMs`.
    std::optional<int> waitForExit(qint64 pid, int timeoutMs);
    bool isRunning(qint64 pid);
    void stopClient(qint64 pid);

    // pcmanfm's desktop window on the first monitor, or 0.
    quint32 desktopIconWindow();
    bool raiseDesktopIconWindow();

    // The root background, one picture per monitor (as feh sets it, with _XROOTPMAP_ID).
    bool setRootBackground(const QList<QImage>& perMonitor);

    // Runs a program to its end; true when it exited with 0 within `timeoutMs`.
    bool run(const QString& program, const QStringList& args, int timeoutMs = 10000,
             QByteArray* output = nullptr);

    // The whole screen as shown: under a compositor, what it painted.
    QImage grabScreen();

    // Polls `condition` until it holds or `timeoutMs` pass, letting the application (if any)
    // handle its events meanwhile.
    static bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000);

private:
    bool startServer();
    bool startWindowManager();
    bool startDesktop();
    bool applyMonitors(const QList<QRect>& monitors, int primary);
    bool fail(const QString& what, const QString& logName = {});
    QString logFile(const QString& name) const;

    X11SessionOptions m_options;
    QList<QRect> m_monitors;
    QStringList m_monitorNames;
    int m_monitorSerial = 0;
    std::unique_ptr<SessionHome> m_home;
    ChildProcesses m_children;
    std::unique_ptr<XcbProbe> m_probe;
    QByteArray m_display;
    qint64 m_compositor = 0;
    qint64 m_desktop = 0;
    int m_runs = 0;
    QString m_error;
};

} // namespace tavlin
