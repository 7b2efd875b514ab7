#pragma once

#include "tests/session/TestSession.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

namespace tavlin {

// A private headless KWin for one test process: `kwin_wayland --virtual` with two outputs side
// by side and Xwayland, on a bus of its own, with a fake pointer so that clicks reach clients.
class KwinSession : public TestSession
{
public:
    // The session started last and not yet stopped, for the test functions.
    static KwinSession* current() { return static_cast<KwinSession*>(s_current); }
    QString unavailableReason() const override;

    bool start() override;

    // The outputs' logical rectangles, left to right.
    QList<QRect> outputRects() const;

    qint64 compositorPid() const { return m_kwin; }
    // Any program as an X11 client of Xwayland.
    qint64 startX11Program(const QString& program, const QStringList& args);
    void stopProgram(qint64 pid) { m_children.stop(pid); }

    // Runs a KWin script that ends by calling done(), `windows` holding every window; false
    // when KWin refused it or it did not end within `timeoutMs`.
    bool runScript(const QString& body, int timeoutMs = 5000);
    // The same without waiting: the script's name while it runs, empty when KWin refused it.
    QString startScript(const QString& body);
    bool isScriptLoaded(const QString& name);
    // Moves and resizes every window of `pid`, as a user dragging it would.
    bool moveWindow(qint64 pid, const QRect& geometry);

    // Everything shown, in logical pixels, through KWin's screenshot interface.
    QImage grabScreen();
    // A press and release of the left button at a global logical point.
    bool click(const QPoint& point);
    // Presses (or releases) keys, by Linux key code, in this order; pressed keys stay down.
    bool keys(bool press, const QList<int>& codes);

private:
    // Nothing waits for a window through the base: they are placed by a script.
    bool showsWindowOf(qint64) override { return true; }
    bool runInput(const QStringList& args);
    QString xwaylandDisplay() const;

    qint64 m_kwin = 0;
    QString m_x11Display;
    int m_scripts = 0;
};

} // namespace tavlin
