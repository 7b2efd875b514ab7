#include "platform/wayland/WaylandConnection.h"

#include "fractional-scale-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <wayland-client.h>

namespace tavlin {

namespace {

template <typename T>
T* bind(wl_registry* registry, quint32 name, const wl_interface& interface, quint32 offered,
        quint32 wanted)
{
    return static_cast<T*>(wl_registry_bind(registry, name, &interface, std::min(offered, wanted)));
}

} // namespace

const wl_registry_listener WaylandConnection::s_registryListener{
    .global =
        [](void* data, wl_registry* registry, uint32_t name, const char* interface,
           uint32_t version) {
            static_cast<WaylandConnection*>(data)->announce(registry, name, interface, version);
        },
    .global_remove = [](void* data, wl_registry*,
                        uint32_t name) { static_cast<WaylandConnection*>(data)->withdraw(name); },
};

std::shared_ptr<WaylandConnection> WaylandConnection::open()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return nullptr;
    std::shared_ptr<WaylandConnection> connection(new WaylandConnection(display));
    // Once for the globals, once more for what the outputs say of themselves.
    if (wl_display_roundtrip(display) < 0 || wl_display_roundtrip(display) < 0)
        return nullptr;
    return connection;
}

WaylandConnection::WaylandConnection(wl_display* display) : m_display(display)
{
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &s_registryListener, this);

    const int fd = wl_display_get_fd(m_display);
    m_reader = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(m_reader.get(), &QSocketNotifier::activated, this, &WaylandConnection::readEvents);
    // Only while the socket was full: the rest of a flush waits for room.
    m_writer = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    m_writer->setEnabled(false);
    connect(m_writer.get(), &QSocketNotifier::activated, this, &WaylandConnection::flush);
}

WaylandConnection::~WaylandConnection()
{
    m_reader.reset();
    m_writer.reset();
    qDeleteAll(m_outputs);
    if (m_fractionalScale)
        wp_fractional_scale_manager_v1_destroy(m_fractionalScale);
    if (m_viewporter)
        wp_viewporter_destroy(m_viewporter);
    if (m_xdgOutputs)
        zxdg_output_manager_v1_destroy(m_xdgOutputs);
    if (m_layerShell) {
        if (zwlr_layer_shell_v1_get_version(m_layerShell) >=
            ZWLR_LAYER_SHELL_V1_DESTROY_SINCE_VERSION)
            zwlr_layer_shell_v1_destroy(m_layerShell);
        else
            wl_proxy_destroy(reinterpret_cast<wl_proxy*>(m_layerShell));
    }
    if (m_shm)
        wl_shm_destroy(m_shm);
    if (m_subcompositor)
        wl_subcompositor_destroy(m_subcompositor);
    if (m_compositor)
        wl_compositor_destroy(m_compositor);
    wl_registry_destroy(m_registry);
    wl_display_flush(m_display);
    wl_display_disconnect(m_display);
}

quint32 WaylandConnection::compositorVersion() const
{
    return m_compositor ? wl_compositor_get_version(m_compositor) : 0;
}

void WaylandConnection::announce(wl_registry* registry, quint32 name, const char* interface,
                                 quint32 version)
{
    const auto is = [interface](const wl_interface& wanted) {
        return std::strcmp(interface, wanted.name) == 0;
    };
    if (is(wl_compositor_interface)) {
        // 4 for damage in buffer pixels.
        m_compositor = bind<wl_compositor>(registry, name, wl_compositor_interface, version, 4);
    } else if (is(wl_subcompositor_interface)) {
        m_subcompositor =
            bind<wl_subcompositor>(registry, name, wl_subcompositor_interface, version, 1);
    } else if (is(wl_shm_interface)) {
        m_shm = bind<wl_shm>(registry, name, wl_shm_interface, version, 1);
    } else if (is(zwlr_layer_shell_v1_interface)) {
        m_layerShell =
            bind<zwlr_layer_shell_v1>(registry, name, zwlr_layer_shell_v1_interface, version, 4);
    } else if (is(zxdg_output_manager_v1_interface)) {
        m_xdgOutputs = bind<zxdg_output_manager_v1>(registry, name,
                                                    zxdg_output_manager_v1_interface, version, 3);
        for (WaylandOutput* output : std::as_const(m_outputs))
            output->describeWith(m_xdgOutputs);
    } else if (is(wp_viewporter_interface)) {
        m_viewporter = bind<wp_viewporter>(registry, name, wp_viewporter_interface, version, 1);
    } else if (is(wp_fractional_scale_manager_v1_interface)) {
        m_fractionalScale = bind<wp_fractional_scale_manager_v1>(
            registry, name, wp_fractional_scale_manager_v1_interface, version, 1);
    } else if (is(wl_output_interface)) {
        auto* output = new WaylandOutput(
            bind<wl_output>(registry, name, wl_output_interface, version, 4), name, this);
        output->describeWith(m_xdgOutputs);
        connect(output, &WaylandOutput::changed, this, &WaylandConnection::outputsChanged);
        m_outputs.append(output);
    }
}

void WaylandConnection::withdraw(quint32 name)
{
    for (WaylandOutput* output : std::as_const(m_outputs)) {
        if (output->globalName() == name) {
            m_outputs.removeOne(output);
            delete output; // surfaces on it were closed by the compositor
            Q_EMIT outputsChanged();
            return;
        }
    }
}

WaylandOutput* WaylandConnection::output(const QString& screenName,
                                         const QRect& screenGeometry) const
{
    QList<OutputIdentity> identities;
    for (const WaylandOutput* output : m_outputs)
        identities.append(output->identity());
    const qsizetype index = matchOutput(identities, screenName, screenGeometry);
    return index < 0 ? nullptr : m_outputs[index];
}

void WaylandConnection::readEvents()
{
    // Only we read this display, on this thread: the socket has data, so this never blocks.
    if (wl_display_prepare_read(m_display) == 0) {
        if (wl_display_read_events(m_display) < 0)
            return checkError();
    }
    dispatch();
}

void WaylandConnection::dispatch()
{
    if (wl_display_dispatch_pending(m_display) < 0)
        return checkError();
    flush(); // listeners answer (acks, new buffers) right away
}

void WaylandConnection::flush()
{
    if (m_lost)
        return;
    if (wl_display_flush(m_display) >= 0) {
        m_writer->setEnabled(false);
        return;
    }
    if (errno == EAGAIN)
        m_writer->setEnabled(true);
    else
        checkError();
}

void WaylandConnection::checkError()
{
    if (m_lost || !wl_display_get_error(m_display))
        return;
    // The compositor is gone or closed us: nothing more can be shown through this connection.
    m_lost = true;
    m_reader->setEnabled(false);
    m_writer->setEnabled(false);
    qWarning("tavlin: lost the Wayland connection for overlays: %s",
             std::strerror(wl_display_get_error(m_display)));
}

} // namespace tavlin
