#include "platform/wayland/CompositorWindow.h"

#include <algorithm>

namespace tavlin {

namespace {

bool sameRect(const QRectF& a, const QRectF& b)
{
    return a.x() == b.x() && a.y() == b.y() && a.width() == b.width() && a.height() == b.height();
}

bool same(const CompositorWindow& a, const CompositorWindow& b)
{
    return a.info.pid == b.info.pid && a.info.ordinary == b.info.ordinary &&
           a.info.opacity == b.info.opacity && sameRect(a.info.bounds, b.info.bounds) &&
           a.appId == b.appId && a.instance == b.instance && a.focused == b.focused &&
           a.regular == b.regular;
}

} // namespace

bool sameWindows(const QList<CompositorWindow>& a, const QList<CompositorWindow>& b)
{
    return std::equal(a.cbegin(), a.cend(), b.cbegin(), b.cend(), same);
}

} // namespace tavlin
