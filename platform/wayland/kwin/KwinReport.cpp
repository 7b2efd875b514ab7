#include "platform/wayland/kwin/KwinReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <limits>

namespace tavlin::KwinReport {

namespace {

struct Stacked
{
    CompositorWindow window;
    qint64 stackingOrder = 0;
};

bool flag(const QJsonObject& object, const char* name)
{
    return object.value(QLatin1String(name)).toBool(false);
}

QString text(const QJsonObject& object, const char* name)
{
    return object.value(QLatin1String(name)).toString();
}

double number(const QJsonObject& object, const char* name)
{
    return object.value(QLatin1String(name)).toDouble(0);
}

bool isLayerSurface(const QJsonObject& window)
{
    return !flag(window, "x11") && flag(window, "skipTaskbar") && !flag(window, "titled");
}

CompositorWindow windowOf(const QJsonObject& reported)
{
    CompositorWindow window;
    const qint64 pid = reported.value(QLatin1String("pid")).toInteger(0);
    if (pid > 0 && pid <= std::numeric_limits<qint32>::max())
        window.info.pid = qint32(pid);
    const bool kind =
        (flag(reported, "normal") || flag(reported, "dialog")) && !flag(reported, "special");
    window.info.ordinary =
        kind && !flag(reported, "minimized") && flag(reported, "onCurrentDesktop");
    const double width = std::max(0.0, number(reported, "width"));
    const double height = std::max(0.0, number(reported, "height"));
    window.info.bounds = QRectF(number(reported, "x"), number(reported, "y"), width, height);
    const QString desktopFile = text(reported, "desktopFile");
    const bool x11 = flag(reported, "x11");
    window.appId = desktopFile.isEmpty() ? text(reported, "resourceClass") : desktopFile;
    if (x11)
        window.instance = text(reported, "resourceName");
    window.focused = flag(reported, "active");
    // An X11 dialog that belongs to another window is part of that window's application.
    window.regular = window.info.pid && kind && !(x11 && flag(reported, "transient"));
    return window;
}

} // namespace

std::optional<QList<CompositorWindow>> windows(const QByteArray& json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isArray())
        return std::nullopt;
    QList<Stacked> found;
    const QJsonArray reported = document.array();
    for (const QJsonValue& value : reported) {
        const QJsonObject window = value.toObject();
        if (window.isEmpty() || isLayerSurface(window))
            continue;
        found.append({windowOf(window), window.value(QLatin1String("stackingOrder")).toInteger(0)});
    }
    // KWin counts from the bottom; equal places keep the order of the report.
    std::stable_sort(found.begin(), found.end(), [](const Stacked& a, const Stacked& b) {
        return a.stackingOrder > b.stackingOrder;
    });
    QList<CompositorWindow> windows;
    windows.reserve(found.size());
    for (Stacked& stacked : found)
        windows.append(std::move(stacked.window));
    return windows;
}

} // namespace tavlin::KwinReport
