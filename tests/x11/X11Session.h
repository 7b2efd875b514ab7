#pragma once

#include "tests/session/TestSession.h"
#include "tests/x11/XcbProbe.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <memory>

namespace tavlin {

struct X11SessionOptions
{
    QSize screenSize{1920, 1080};
    bool twoMonitors = false;  // side by side, each half the screen
    bool compositor = false;   // picom, xrender backend, no fades or shadows
    bool desktopIcons = false; // pcmanfm drawing the desktop folder on a plain colour
};

// What a test window says of itself, besides where it is and how it looks.
struct TestWindowOptions
{
    QString windowClass{}; // WM_CLASS; the test window's own when empty
    QString type{};        // "DOCK", "DIALOG" ...: _NET_WM_WINDOW_TYPE; none when empty
    bool icon = false;     // a 16 × 16 _NET_WM_ICON
    int windows = 1;       // opened by the one process, each 20 pixels further down and right
    // On each SIGUSR1 the first window moves by drag per frame, 60 a second, for dragFrames frames,
    // and back on the next.
    QPoint drag{};
    int dragFrames = 0;
};

// A private X display for one test process: Xvfb, openbox, and on request picom, pcmanfm's desktop
// and a tray, all reading configuration from a temporary home.
class X11Session : public TestSession
{
public:
    // The colour pcmanfm paints the desktop with, around its icons.
    static constexpr QRgb desktopColor = 0xff204060;

    explicit X11Session(X11SessionOptions options = {});
    ~X11Session() override;

    // The session started last and not yet stopped, for the test functions.
    static X11Session* current() { return static_cast<X11Session*>(s_current); }

    bool start() override;
    QByteArray display() const { return m_display; }
    XcbProbe& probe() { return *m_probe; }

    // What the monitors are meant to be now, in window-system pixels.
    QList<QRect> monitorRects() const;
    // The screen's two halves side by side, or the one output alone.
    QList<QRect> twoMonitorRects() const;
    // Also waits for the application's QScreens to match, when there is one, and restarts the
    // desktop, which would not follow. No monitors: the one output alone.
    bool setMonitors(const QList<QRect>& monitors, int primary = 0);
    bool setTwoMonitors(bool two) { return setMonitors(two ? twoMonitorRects() : QList<QRect>()); }
    // Monitor `i` unplugged, as by its cable: nothing is waited for and the desktop stays.
    bool unplugMonitor(qsizetype i);

    // trayer along the bottom edge.
    bool startTray();
    bool startCompositor();
    bool stopCompositor();
    bool compositorActive();

    // Whether openbox still runs: nothing the program does may bring it down.
    bool windowManagerRunning() { return isRunning(m_windowManager); }
    bool switchDesktop(int desktop);

    // A solid, undecorated window at `geometry`, carrying _NET_WM_PID; the pid, or 0.
    qint64 startWindow(const QRect& geometry, const QColor& color, double opacity = 1.0,
                       const QString& title = {}, const TestWindowOptions& options = {});
    quint32 windowOf(qint64 pid);
    void stopClient(qint64 pid);

    // pcmanfm's desktop window on the first monitor, or 0.
    quint32 desktopIconWindow();
    // Runs xdotool with the words of `commandLine`.
    bool xdotool(const QString& commandLine);
    // The viewable windows of process `pid`, managed by the window manager or not.
    QList<quint32> windowsOfProcess(qint64 pid);

    // The root background, one picture per monitor (as feh sets it, with _XROOTPMAP_ID).
    bool setRootBackground(const QList<QImage>& perMonitor);

    // The whole screen as shown: under a compositor, what it painted.
    QImage grabScreen();

private:
    bool showsWindowOf(qint64 pid) override;
    void clear() override;
    bool startServer();
    bool writeConfiguration();
    bool startWindowManager();
    bool startDesktop();
    bool applyMonitors(const QList<QRect>& monitors, int primary);

    X11SessionOptions m_options;
    QList<QRect> m_monitors;
    QStringList m_monitorNames;
    int m_monitorSerial = 0;
    std::unique_ptr<XcbProbe> m_probe;
    QByteArray m_display;
    qint64 m_windowManager = 0;
    qint64 m_compositor = 0;
    qint64 m_desktop = 0;
};

} // namespace tavlin
