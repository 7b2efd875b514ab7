#include "platform/linux/DbusTrayHosts.h"

#include <QDBusMessage>
#include <QDBusVariant>

namespace tavlin {

namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");

} // namespace

DbusTrayHosts::DbusTrayHosts(QObject* parent)
    : TrayHosts(parent), m_bus(QDBusConnection::sessionBus()),
      m_watcher(watcherService, m_bus, QDBusServiceWatcher::WatchForRegistration)
{
    // A panel that brings its own watcher registers the watcher first and its host with it
    // right after; one that uses another's watcher only registers its host.
    connect(&m_watcher, &QDBusServiceWatcher::serviceRegistered, this,
            &DbusTrayHosts::hostRegistered);
    m_bus.connect(watcherService, watcherPath, watcherService,
                  QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(hostRegistered()));
}

bool DbusTrayHosts::hasStatusNotifierHost() const
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        watcherService, watcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << watcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = m_bus.call(get, QDBus::Block, 2000);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toBool();
}

void DbusTrayHosts::hostRegistered()
{
    if (hasStatusNotifierHost())
        Q_EMIT statusNotifierHostStarted();
}

} // namespace tavlin
