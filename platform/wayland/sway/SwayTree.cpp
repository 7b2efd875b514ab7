#include "platform/wayland/sway/SwayTree.h"

#include <QJsonArray>
#include <QSet>
#include <limits>

namespace tavlin::SwayTree {

namespace {

const QString scratchpadOutput = QStringLiteral("__i3");

enum Fullscreen { NotFullscreen = 0, OnWorkspace = 1, OnAllOutputs = 2 };

struct Found
{
    CompositorWindow window;
    int fullscreen = NotFullscreen;
};

QJsonValue field(const QJsonObject& object, const char* name)
{
    return object.value(QLatin1String(name));
}

QRectF rectOf(const QJsonValue& value)
{
    const QJsonObject rect = value.toObject();
    return QRectF(field(rect, "x").toDouble(), field(rect, "y").toDouble(),
                  field(rect, "width").toDouble(), field(rect, "height").toDouble());
}

// The children in the order they last had the focus; any the focus list misses keep their
// place after them.
QList<QJsonObject> byFocus(const QJsonObject& node, const char* list = "nodes")
{
    const QJsonArray children = field(node, list).toArray();
    QList<QJsonObject> ordered;
    QSet<qint64> placed;
    const QJsonArray focus = field(node, "focus").toArray();
    for (const QJsonValue& id : focus) {
        for (const QJsonValue& child : children) {
            const QJsonObject object = child.toObject();
            const qint64 childId = field(object, "id").toInteger(-1);
            if (childId == id.toInteger(-2) && !placed.contains(childId)) {
                placed.insert(childId);
                ordered.append(object);
            }
        }
    }
    for (const QJsonValue& child : children) {
        const QJsonObject object = child.toObject();
        if (!placed.contains(field(object, "id").toInteger(-1)))
            ordered.append(object);
    }
    return ordered;
}

bool isView(const QJsonObject& node)
{
    return node.contains(QLatin1String("pid")) && field(node, "nodes").toArray().isEmpty();
}

bool sharesTitleBars(const QJsonObject& container)
{
    const QString layout = field(container, "layout").toString();
    return layout == QLatin1String("tabbed") || layout == QLatin1String("stacked");
}

CompositorWindow windowOf(const QJsonObject& view, bool shown, bool ownTitleBar)
{
    CompositorWindow window;
    const qint64 pid = field(view, "pid").toInteger(0);
    if (pid > 0 && pid <= std::numeric_limits<qint32>::max())
        window.info.pid = qint32(pid);
    // Only X11 windows have these; they say what kind of window it is.
    const QJsonObject x11 = field(view, "window_properties").toObject();
    const QString type = field(x11, "window_type").toString();
    const QJsonValue transientFor = field(x11, "transient_for");
    window.appId = field(view, "app_id").toString();
    if (window.appId.isEmpty())
        window.appId = field(x11, "class").toString();
    window.instance = field(x11, "instance").toString();
    window.focused = field(view, "focused").toBool();
    // Sway's own flag also knows hidden tabs and windows behind a fullscreen one.
    window.info.ordinary =
        shown && field(view, "visible").toBool(true) &&
        (type.isEmpty() || type == QLatin1String("normal") || type == QLatin1String("dialog"));
    window.regular = window.info.pid && (transientFor.isNull() || transientFor.isUndefined()) &&
                     (type.isEmpty() || type == QLatin1String("normal"));
    QRectF bounds = rectOf(field(view, "rect"));
    const double titleBar = rectOf(field(view, "deco_rect")).height();
    if (ownTitleBar && titleBar > 0)
        bounds.adjust(0, -titleBar, 0, 0);
    window.info.bounds = bounds;
    return window;
}

// The views in and below `node`, in focus order; a fullscreen container passes its mode on.
// The JSON parser refuses documents nested too deep to recurse through.
void collect(const QJsonObject& node, bool shown, bool ownTitleBar, int fullscreen,
             QList<Found>& out)
{
    fullscreen = std::max(fullscreen, field(node, "fullscreen_mode").toInt());
    if (isView(node)) {
        out.append({windowOf(node, shown, ownTitleBar), fullscreen});
        return;
    }
    const bool childTitleBars = !sharesTitleBars(node);
    for (const QJsonObject& child : byFocus(node))
        collect(child, shown, childTitleBars, fullscreen, out);
}

void collectWorkspace(const QJsonObject& workspace, bool shown, QList<Found>& out)
{
    QList<Found> floating;
    const QJsonArray floatingNodes = field(workspace, "floating_nodes").toArray();
    // Listed bottom to top.
    for (qsizetype i = floatingNodes.size() - 1; i >= 0; --i)
        collect(floatingNodes.at(i).toObject(), shown, true, NotFullscreen, floating);
    QList<Found> tiled;
    for (const QJsonObject& child : byFocus(workspace))
        collect(child, shown, !sharesTitleBars(workspace), NotFullscreen, tiled);
    // A fullscreen window is drawn above everything else on its workspace.
    for (const QList<Found>* group : {&floating, &tiled}) {
        for (const Found& found : *group) {
            if (found.fullscreen != NotFullscreen)
                out.append(found);
        }
    }
    for (const QList<Found>* group : {&floating, &tiled}) {
        for (const Found& found : *group) {
            if (found.fullscreen == NotFullscreen)
                out.append(found);
        }
    }
}

} // namespace

QList<CompositorWindow> windows(const QJsonObject& root)
{
    QList<Found> shown;
    QList<Found> hidden;
    for (const QJsonObject& output : byFocus(root)) {
        const QString name = field(output, "name").toString();
        const QString current = field(output, "current_workspace").toString();
        for (const QJsonObject& workspace : byFocus(output)) {
            const bool visible = name != scratchpadOutput && !current.isEmpty() &&
                                 field(workspace, "name").toString() == current;
            collectWorkspace(workspace, visible, visible ? shown : hidden);
        }
    }
    QList<CompositorWindow> windows;
    windows.reserve(shown.size() + hidden.size());
    // Fullscreen on every output covers the windows of all of them.
    for (const Found& found : std::as_const(shown)) {
        if (found.fullscreen == OnAllOutputs)
            windows.append(found.window);
    }
    for (const QList<Found>* group : {&shown, &hidden}) {
        for (const Found& found : *group) {
            if (group == &hidden || found.fullscreen != OnAllOutputs)
                windows.append(found.window);
        }
    }
    return windows;
}

} // namespace tavlin::SwayTree
