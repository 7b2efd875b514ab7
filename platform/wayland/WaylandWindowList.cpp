#include "platform/wayland/WaylandWindowList.h"

#include "platform/wayland/CompositorWindows.h"

namespace tavlin {

WaylandWindowList::WaylandWindowList(std::shared_ptr<CompositorWindows> source, QObject* parent)
    : WindowList(parent), m_source(std::move(source))
{
    const auto update = [this] {
        m_windows.clear();
        const QList<CompositorWindow> windows = m_source->windows();
        for (const CompositorWindow& window : windows)
            m_windows.append(window.info);
    };
    update();
    connect(m_source.get(), &CompositorWindows::changed, this, [this, update] {
        update();
        Q_EMIT changed();
    });
}

std::optional<QList<WindowInfo>> WaylandWindowList::windows()
{
    m_source->keepFresh();
    return m_windows;
}

void WaylandWindowList::setFollowed(bool followed)
{
    m_source->setFollowed(followed);
}

QString WaylandWindowList::unavailableReason() const
{
    return m_source->unavailableReason();
}

} // namespace tavlin
