#include "platform/wayland/WaylandShmBuffer.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

namespace tavlin {

const wl_buffer_listener WaylandShmBuffer::s_listener{
    .release =
        [](void* data, wl_buffer*) {
            auto* buffer = static_cast<WaylandShmBuffer*>(data);
            buffer->m_busy = false;
            if (buffer->m_released)
                buffer->m_released();
        },
};

std::unique_ptr<WaylandShmBuffer> WaylandShmBuffer::create(wl_shm* shm, const QSize& size,
                                                           std::function<void()> released)
{
    if (!shm || size.isEmpty())
        return nullptr;
    const int stride = size.width() * 4;
    const size_t length = size_t(stride) * size_t(size.height());
    const int fd = ::memfd_create("tavlin-overlay", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        return nullptr;
    std::unique_ptr<WaylandShmBuffer> buffer(new WaylandShmBuffer);
    if (::ftruncate(fd, off_t(length)) != 0) {
        ::close(fd);
        return nullptr;
    }
    void* memory = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) {
        ::close(fd);
        return nullptr;
    }
    // The compositor may not shrink what it maps.
    ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_SEAL);
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, int32_t(length));
    buffer->m_buffer = wl_shm_pool_create_buffer(pool, 0, size.width(), size.height(), stride,
                                                 WL_SHM_FORMAT_ARGB8888);
    wl_shm_pool_destroy(pool);
    ::close(fd);
    buffer->m_memory = memory;
    buffer->m_length = length;
    // Premultiplied ARGB in native (little-endian) order is the compositor's ARGB8888.
    buffer->m_image = QImage(static_cast<uchar*>(memory), size.width(), size.height(), stride,
                             QImage::Format_ARGB32_Premultiplied);
    buffer->m_released = std::move(released);
    buffer->m_stale = QRegion(QRect(QPoint(0, 0), size));
    wl_buffer_add_listener(buffer->m_buffer, &s_listener, buffer.get());
    return buffer;
}

WaylandShmBuffer::~WaylandShmBuffer()
{
    if (m_buffer)
        wl_buffer_destroy(m_buffer);
    m_image = QImage();
    if (m_memory)
        ::munmap(m_memory, m_length);
}

} // namespace tavlin
