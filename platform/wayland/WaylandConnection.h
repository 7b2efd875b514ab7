#pragma once

#include "platform/wayland/WaylandOutput.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <memory>

class QScreen;
class QSocketNotifier;
struct wl_compositor;
struct wl_display;
struct wl_registry;
struct wl_registry_listener;
struct wl_shm;
struct wl_subcompositor;
struct wp_fractional_scale_manager_v1;
struct wp_viewporter;
struct zwlr_layer_shell_v1;
struct zxdg_output_manager_v1;

namespace tavlin {

// A connection of our own to the compositor Qt talks to, for what Qt cannot do (layer
// surfaces). Its events are read and dispatched on the GUI thread whenever the socket has any;
// requests go out when flush() is called.
class WaylandConnection : public QObject
{
    Q_OBJECT
public:
    // nullptr when no compositor answers.
    static std::shared_ptr<WaylandConnection> open();
    ~WaylandConnection() override;

    wl_display* display() const { return m_display; }
    wl_compositor* compositor() const { return m_compositor; }
    quint32 compositorVersion() const;
    wl_shm* shm() const { return m_shm; }
    wl_subcompositor* subcompositor() const { return m_subcompositor; }
    zwlr_layer_shell_v1* layerShell() const { return m_layerShell; }
    wp_viewporter* viewporter() const { return m_viewporter; }
    wp_fractional_scale_manager_v1* fractionalScale() const { return m_fractionalScale; }

    // The output showing `screenName` at `screenGeometry`, or nullptr (not announced yet).
    WaylandOutput* output(const QString& screenName, const QRect& screenGeometry) const;

    // Sends what was asked so far.
    void flush();
    bool isConnected() const { return m_display && !m_lost; }

Q_SIGNALS:
    // An output came, went or changed.
    void outputsChanged();

private:
    explicit WaylandConnection(wl_display* display);
    void announce(wl_registry* registry, quint32 name, const char* interface, quint32 version);
    void withdraw(quint32 name);
    void readEvents();
    void dispatch();
    void checkError();

    static const wl_registry_listener s_registryListener;

    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_compositor* m_compositor = nullptr;
    wl_shm* m_shm = nullptr;
    wl_subcompositor* m_subcompositor = nullptr;
    zwlr_layer_shell_v1* m_layerShell = nullptr;
    zxdg_output_manager_v1* m_xdgOutputs = nullptr;
    wp_viewporter* m_viewporter = nullptr;
    wp_fractional_scale_manager_v1* m_fractionalScale = nullptr;
    QList<WaylandOutput*> m_outputs; // children
    std::unique_ptr<QSocketNotifier> m_reader;
    std::unique_ptr<QSocketNotifier> m_writer;
    bool m_lost = false;
};

} // namespace tavlin
