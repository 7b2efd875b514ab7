#pragma once

#include "platform/wayland/OutputMatch.h"

#include <QObject>

struct wl_output;
struct wl_output_listener;
struct zxdg_output_v1_listener;
struct zxdg_output_v1;
struct zxdg_output_manager_v1;

namespace tavlin {

// One output of the compositor as our connection sees it: its name, logical place and scale.
class WaylandOutput : public QObject
{
    Q_OBJECT
public:
    WaylandOutput(wl_output* output, quint32 globalName, QObject* parent = nullptr);
    ~WaylandOutput() override;

    wl_output* handle() const { return m_output; }
    quint32 globalName() const { return m_globalName; }
    OutputIdentity identity() const { return m_identity; }
    // Whole device pixels per logical pixel, as the compositor wants buffers for it.
    int scale() const { return m_scale; }

    // Logical geometry and names come from xdg-output where the compositor offers it.
    void describeWith(zxdg_output_manager_v1* manager);

Q_SIGNALS:
    // A consistent set of changes arrived (after the first one too).
    void changed();

private:
    static const wl_output_listener s_outputListener;
    static const zxdg_output_v1_listener s_xdgListener;

    wl_output* m_output;
    zxdg_output_v1* m_xdgOutput = nullptr;
    quint32 m_globalName;
    OutputIdentity m_identity;
    QPoint m_position; // from wl_output, until xdg-output says better
    QSize m_modeSize;
    int m_scale = 1;
};

} // namespace tavlin
