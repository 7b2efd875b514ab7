#pragma once

#include <QImage>
#include <QRegion>
#include <functional>
#include <memory>

struct wl_buffer;
struct wl_buffer_listener;
struct wl_shm;

namespace tavlin {

// A buffer in shared memory the compositor reads our pixels from, painted through a QImage
// that wraps the same memory. Busy from attach until the compositor releases it; then it may
// be painted again.
class WaylandShmBuffer
{
public:
    // nullptr when the memory cannot be had. `released` runs when the compositor lets go.
    static std::unique_ptr<WaylandShmBuffer> create(wl_shm* shm, const QSize& size,
                                                    std::function<void()> released);
    ~WaylandShmBuffer();
    WaylandShmBuffer(const WaylandShmBuffer&) = delete;
    WaylandShmBuffer& operator=(const WaylandShmBuffer&) = delete;

    wl_buffer* handle() const { return m_buffer; }
    QImage& image() { return m_image; }
    QSize size() const { return m_image.size(); }

    bool isBusy() const { return m_busy; }
    void setBusy() { m_busy = true; }

    // What of the latest frame this buffer does not hold yet (device pixels).
    QRegion& stale() { return m_stale; }
    // The opacity its pixels were painted with; negative before the first frame.
    double opacity() const { return m_opacity; }
    void setOpacity(double opacity) { m_opacity = opacity; }

private:
    WaylandShmBuffer() = default;

    static const wl_buffer_listener s_listener;

    wl_buffer* m_buffer = nullptr;
    void* m_memory = nullptr;
    size_t m_length = 0;
    QImage m_image;
    bool m_busy = false;
    QRegion m_stale;
    double m_opacity = -1;
    std::function<void()> m_released;
};

} // namespace tavlin
