#pragma once

#include "platform/RunningApps.h"
#include "platform/linux/DesktopEntryIndex.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <memory>
#include <xcb/xcb.h>

namespace tavlin {

class X11Connection;

// The processes behind the window manager's client list that own an ordinary window. Each
// change of the list reads the clients' few small properties again, in one batch; the desktop
// file and the icon are looked up only for what is new.
class X11RunningApps : public RunningApps
{
    Q_OBJECT
public:
    explicit X11RunningApps(std::shared_ptr<X11Connection> connection, QObject* parent = nullptr);

    QList<RunningApp> apps() const override { return m_apps; }
    std::optional<qint32> frontmostPid() const override;

private:
    struct Client
    {
        // What the window says of itself.
        struct Said
        {
            qint32 pid = 0;
            bool regular = false; // an ordinary window, and its process is known
            QStringList wmClass;  // instance, class
            QStringList hints;    // desktop-file ids
            bool operator==(const Said&) const = default;
        } said;
        RunningApp app; // for a regular window
    };

    void refresh();
    void readClients(const QList<xcb_window_t>& windows);
    void readIcons(const QList<xcb_window_t>& windows);
    bool isRegular(const QList<quint32>& types, bool transient) const;

    std::shared_ptr<X11Connection> m_connection;
    DesktopEntryIndex m_entries;
    QHash<xcb_window_t, Client> m_clients;
    QList<RunningApp> m_apps;
    bool m_refreshQueued = false;
};

} // namespace tavlin
