#pragma once

#include "tests/session/TestSession.h"

#include <QColor>
#include <QImage>
#include <QJsonDocument>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <optional>

namespace tavlin {

struct WaylandSessionOptions
{
    enum class Compositor {
        Sway,   // layer shell, i3 IPC, screenshots, virtual pointer
        Weston, // no layer shell, for what must refuse there
    };

    Compositor compositor = Compositor::Sway;
    QSize outputSize{1024, 768}; // each output's mode
    int outputs = 2;             // side by side, left to right, named HEADLESS-1, -2 …
};

// A private headless Wayland compositor for one test process: sway (as an unprivileged user, since
// it refuses to run as root) painting a solid wallpaper, with a virtual pointer so that clicks
// reach clients; or weston. The test process and the clients it starts connect as themselves.
class WaylandSession : public TestSession
{
public:
    static constexpr QRgb wallpaperColor = 0xff204060;

    explicit WaylandSession(WaylandSessionOptions options = {});

    // The session started last and not yet stopped, for the test functions.
    static WaylandSession* current() { return static_cast<WaylandSession*>(s_current); }

    bool start() override;
    QString unavailableReason() const override;

    QString swaySocket() const { return m_swaySocket; }
    // The compositor's process, for what it costs.
    qint64 compositorPid() const { return m_compositor; }

    // A sway command such as "output HEADLESS-2 disable"; true when sway says it succeeded.
    bool command(const QString& command);

    // The active outputs' logical rectangles, left to right.
    QList<QRect> outputRects();
    // Waits until sway reports the new scale and the application's QScreens match.
    bool setOutputScale(const QString& name, double scale);
    // A new output right of the others (sway adds outputs but does not remove them); waits until
    // the application has a screen for it.
    bool addOutput();

    // A floating window of our test client at `geometry` (logical), one colour; the pid, or 0 once
    // the window did not show there.
    qint64 startWindow(const QRect& geometry, const QColor& color,
                       const QString& appId = QStringLiteral("tavlin-test-window"));
    // Stops a program and waits until its windows are gone.
    void stopProgram(qint64 pid);
    // sway's rectangle of the first window of `pid`, null when it has none.
    QRect windowRect(qint64 pid);
    // Moves and resizes the windows of `pid` and waits until sway reports them there.
    bool moveWindow(qint64 pid, const QRect& geometry);

    // A press and release of the left button at a global logical point.
    bool click(const QPoint& point);

    // Every output as shown, in logical pixels; or one output in its device pixels.
    QImage grabScreen() { return grabOutput({}); }
    QImage grabOutput(const QString& name);

private:
    // sway's answer to `swaymsg -t type` (get_tree, get_outputs …), or an empty document.
    QJsonDocument query(const QString& type);
    bool showsWindowOf(qint64 pid) override { return !windowRect(pid).isNull(); }
    bool prepareUser();
    bool startSway();
    bool startWeston();
    bool wallpaperShows();
    bool startCompositor(const QString& program, const QStringList& args,
                         const QStringList& environment = {});

    WaylandSessionOptions m_options;
    QString m_compositorRuntime;
    QString m_swaySocket;
    qint64 m_compositor = 0;
    std::optional<std::pair<uint, uint>> m_user; // uid, gid to run the compositor as
};

} // namespace tavlin
