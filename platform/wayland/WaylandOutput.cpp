#include "platform/wayland/WaylandOutput.h"

#include "xdg-output-unstable-v1-client-protocol.h"

#include <wayland-client.h>

namespace tavlin {

namespace {

WaylandOutput* self(void* data)
{
    return static_cast<WaylandOutput*>(data);
}

} // namespace

const wl_output_listener WaylandOutput::s_outputListener{
    .geometry = [](void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t,
                   const char*, const char*, int32_t) { self(data)->m_position = QPoint(x, y); },
    .mode =
        [](void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
            if (flags & WL_OUTPUT_MODE_CURRENT)
                self(data)->m_modeSize = QSize(width, height);
        },
    .done =
        [](void* data, wl_output*) {
            WaylandOutput* output = self(data);
            // Without xdg-output: the mode scaled down is the logical size.
            if (!output->m_xdgOutput && output->m_scale > 0)
                output->m_identity.geometry =
                    QRect(output->m_position, output->m_modeSize / output->m_scale);
            Q_EMIT output->changed();
        },
    .scale = [](void* data, wl_output*, int32_t factor) { self(data)->m_scale = qMax(1, factor); },
    .name =
        [](void* data, wl_output*, const char* name) {
            // xdg-output's name, where there is one, says the same or better.
            if (self(data)->m_identity.name.isEmpty())
                self(data)->m_identity.name = QString::fromUtf8(name);
        },
    .description = [](void*, wl_output*, const char*) {},
};

const zxdg_output_v1_listener WaylandOutput::s_xdgListener{
    .logical_position =
        [](void* data, zxdg_output_v1*, int32_t x, int32_t y) {
            self(data)->m_identity.geometry.moveTopLeft(QPoint(x, y));
        },
    .logical_size =
        [](void* data, zxdg_output_v1*, int32_t width, int32_t height) {
            self(data)->m_identity.geometry.setSize(QSize(width, height));
        },
    .done = [](void* data, zxdg_output_v1*) { Q_EMIT self(data)->changed(); },
    .name = [](void* data, zxdg_output_v1*,
               const char* name) { self(data)->m_identity.name = QString::fromUtf8(name); },
    .description = [](void*, zxdg_output_v1*, const char*) {},
};

WaylandOutput::WaylandOutput(wl_output* output, quint32 globalName, QObject* parent)
    : QObject(parent), m_output(output), m_globalName(globalName)
{
    wl_output_add_listener(m_output, &s_outputListener, this);
}

WaylandOutput::~WaylandOutput()
{
    if (m_xdgOutput)
        zxdg_output_v1_destroy(m_xdgOutput);
    if (wl_output_get_version(m_output) >= WL_OUTPUT_RELEASE_SINCE_VERSION)
        wl_output_release(m_output);
    else
        wl_output_destroy(m_output);
}

void WaylandOutput::describeWith(zxdg_output_manager_v1* manager)
{
    if (m_xdgOutput || !manager)
        return;
    m_xdgOutput = zxdg_output_manager_v1_get_xdg_output(manager, m_output);
    zxdg_output_v1_add_listener(m_xdgOutput, &s_xdgListener, this);
}

} // namespace tavlin
