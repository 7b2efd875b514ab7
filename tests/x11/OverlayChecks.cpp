#include "tests/x11/OverlayChecks.h"

#include "backdrop/BackdropImage.h"
#include "spotlight/CutoutView.h"
#include "tests/session/PixelChecks.h"
#include "tests/x11/X11TestMain.h"

#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <unistd.h>

namespace tavlin {

bool holeShowsWindow(const QRect& rect, QRgb window, QRgb backdrop)
{
    const QImage screen = session().grabScreen();
    const qreal scale = qGuiApp->devicePixelRatio();
    const int r = qRound(CutoutView::holeCornerRadius * scale);
    const int a = qRound(3 * scale);
    for (const QPoint& corner :
         {rect.topLeft(), rect.topRight(), rect.bottomLeft(), rect.bottomRight()}) {
        const int dx = corner.x() == rect.left() ? 1 : -1;
        const int dy = corner.y() == rect.top() ? 1 : -1;
        const std::pair<QPoint, QRgb> probes[] = {
            {corner + QPoint(dx * r, dy), window},        // on the edge, past the arc
            {corner + QPoint(dx, dy * r), window},        // the other edge
            {corner + QPoint(dx * a, dy * a), window},    // the arc's inside
            {corner, backdrop},                           // cut off by the rounding
            {corner + QPoint(-dx * 2, dy * r), backdrop}, // just outside the edge
            {corner + QPoint(dx * r, -dy * 2), backdrop}};
        for (const auto& [point, color] : probes) {
            if (!pixels::shows(screen, point, color))
                return false;
        }
    }
    return pixels::shows(screen, rect.center(), window);
}

bool monitorsShow(const QList<QRgb>& expected)
{
    const QImage screen = session().grabScreen();
    const QList<QRect> monitors = session().monitorRects();
    for (qsizetype i = 0; i < monitors.size(); ++i) {
        if (!expected.isEmpty()) {
            if (!pixels::isUniform(screen, monitors[i], QColor(expected.value(i)), 6))
                return false;
            continue;
        }
        QImage gradient(monitors[i].size(), QImage::Format_RGB32);
        QPainter painter(&gradient);
        BackdropImage().drawAspectFill(painter, QRectF(gradient.rect()));
        for (const QPoint& p : {QPoint(10, 10), gradient.rect().center(),
                                gradient.rect().bottomRight() - QPoint(10, 10)}) {
            const QColor seen = pixels::colorAt(screen, monitors[i].topLeft() + p);
            if (pixels::distance(seen, gradient.pixelColor(p)) > 6)
                return false;
        }
    }
    return true;
}

bool iconsCovered()
{
    const QImage screen = session().grabScreen();
    return pixels::countDiffering(screen, QRect(0, 0, 120, 120),
                                  pixels::colorAt(screen, QPoint(130, 130)), 12) == 0;
}

bool anyVisible(const QList<QPointer<OverlayWindow>>& windows)
{
    return std::any_of(windows.begin(), windows.end(),
                       [](const QPointer<OverlayWindow>& w) { return w && w->isVisible(); });
}

bool allVisible(const QList<QPointer<OverlayWindow>>& windows)
{
    return std::all_of(windows.begin(), windows.end(),
                       [](const QPointer<OverlayWindow>& w) { return w && w->isVisible(); });
}

long wakeUpsWhileIdle(int ms)
{
    const auto switches = [] {
        QFile status(QStringLiteral("/proc/self/task/%1/status").arg(getpid()));
        if (!status.open(QIODevice::ReadOnly))
            return -1L;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches:"))
                return line.mid(24).trimmed().toLong();
        }
        return -1L;
    };
    const long before = switches();
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return switches() - before;
}

} // namespace tavlin
