#include "platform/portal/PortalHotKeyGrabber.h"

#include "platform/portal/PortalShortcuts.h"

#include <QDBusArgument>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>
#include <cstdio>

namespace tavlin {

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString registryInterface = QStringLiteral("org.freedesktop.host.portal.Registry");

} // namespace

PortalHotKeyGrabber::PortalHotKeyGrabber(QDBusConnection bus, QString appId, QObject* parent)
    : HotKeyGrabber(parent), m_bus(std::move(bus)), m_appId(std::move(appId))
{
    PortalShortcuts::registerTypes();
    // Every answer is awaited before its request goes out, so none can slip by.
    m_bus.connect(portalService, {}, requestInterface, QStringLiteral("Response"), this,
                  SLOT(responded(uint, QVariantMap, QDBusMessage)));
    m_bus.connect(portalService, portalPath, shortcutsInterface, QStringLiteral("Activated"), this,
                  SLOT(activated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    // Portals from 1.21 on know a program that is not sandboxed only by the id it registers
    // first; older ones have no registry, which changes nothing.
    call(registryInterface, QStringLiteral("Register"), {m_appId, QVariantMap()},
         [this](const QDBusMessage& reply) {
             if (reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"))
                 giveUp();
             else
                 checkShortcuts();
         });
}

HotKeyGrabber::Grant PortalHotKeyGrabber::grab(quint32 id, const KeyChord& chord,
                                               const QString& description)
{
    if (m_state == State::Unavailable)
        return Grant::Refused;
    m_wanted.insert(id, {chord, description});
    // Chords asked for together are bound in one request.
    if (m_state == State::Ready && !m_bindQueued) {
        m_bindQueued = true;
        QTimer::singleShot(0, this, &PortalHotKeyGrabber::bind);
    }
    return Grant::Pending;
}

void PortalHotKeyGrabber::call(const QString& interface, const QString& method,
                               const QVariantList& args,
                               const std::function<void(const QDBusMessage& reply)>& done)
{
    QDBusMessage message =
        QDBusMessage::createMethodCall(portalService, portalPath, interface, method);
    message.setArguments(args);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [done](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        done(w->reply());
    });
}

void PortalHotKeyGrabber::request(const QString& method, QVariantList args, QVariantMap options,
                                  Answer answer)
{
    const QString token = QStringLiteral("tavlin%1").arg(++m_tokens);
    const QString path = PortalShortcuts::requestPath(m_bus.baseService(), token);
    options.insert(QStringLiteral("handle_token"), token);
    args.append(options);
    m_requests.insert(path, std::move(answer));
    call(shortcutsInterface, method, args, [this, path](const QDBusMessage& reply) {
        if (reply.type() == QDBusMessage::ReplyMessage)
            return;
        // No answer will come: the call itself failed.
        const Answer failed = m_requests.take(path);
        if (failed)
            failed(2, {});
    });
}

void PortalHotKeyGrabber::responded(uint response, const QVariantMap& results,
                                    const QDBusMessage& message)
{
    const Answer answer = m_requests.take(message.path());
    if (answer)
        answer(response, results);
}

void PortalHotKeyGrabber::checkShortcuts()
{
    // A portal lists only the interfaces one of its backends implements.
    QDBusMessage get = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get.setArguments({shortcutsInterface, QStringLiteral("version")});
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(get), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (w->isError())
            giveUp();
        else
            createSession();
    });
}

void PortalHotKeyGrabber::createSession()
{
    request(QStringLiteral("CreateSession"), {},
            {{QStringLiteral("session_handle_token"), QStringLiteral("tavlin")}},
            [this](uint response, const QVariantMap& results) {
                // Older portals hand the session over as a string, newer ones as a path.
                const QVariant handle = results.value(QStringLiteral("session_handle"));
                m_session = handle.canConvert<QDBusObjectPath>()
                                ? qvariant_cast<QDBusObjectPath>(handle).path()
                                : handle.toString();
                if (response != 0 || m_session.isEmpty()) {
                    giveUp();
                    return;
                }
                m_bus.connect(portalService, m_session,
                              QStringLiteral("org.freedesktop.portal.Session"),
                              QStringLiteral("Closed"), this, SLOT(sessionClosed()));
                m_state = State::Ready;
                bind();
            });
}

void PortalHotKeyGrabber::bind()
{
    m_bindQueued = false;
    if (m_state != State::Ready || m_wanted.isEmpty())
        return;
    QList<PortalShortcuts::Shortcut> shortcuts;
    for (auto it = m_wanted.cbegin(); it != m_wanted.cend(); ++it) {
        shortcuts.append(
            {PortalShortcuts::shortcutId(it.key()),
             {{QStringLiteral("description"), it->description},
              {QStringLiteral("preferred_trigger"), PortalShortcuts::trigger(it->chord)}}});
    }
    const QList<quint32> ids = m_wanted.keys();
    request(QStringLiteral("BindShortcuts"),
            {QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(shortcuts),
             QString()},
            {}, [this, ids](uint response, const QVariantMap& results) {
                QList<PortalShortcuts::Shortcut> bound;
                if (response == 0)
                    qvariant_cast<QDBusArgument>(results.value(QStringLiteral("shortcuts"))) >>
                        bound;
                const QSet<QString> boundIds = PortalShortcuts::boundIds(bound);
                for (const quint32 id : ids)
                    Q_EMIT answered(id, boundIds.contains(PortalShortcuts::shortcutId(id)));
            });
}

void PortalHotKeyGrabber::activated(const QDBusObjectPath& session, const QString& shortcutId,
                                    qulonglong, const QVariantMap&)
{
    if (session.path() != m_session)
        return;
    if (const quint32 id = PortalShortcuts::hotKeyId(shortcutId))
        Q_EMIT pressed(id);
}

void PortalHotKeyGrabber::sessionClosed()
{
    m_state = State::Unavailable;
    for (const quint32 id : m_wanted.keys())
        Q_EMIT answered(id, false);
}

void PortalHotKeyGrabber::giveUp()
{
    if (m_state == State::Unavailable)
        return;
    m_state = State::Unavailable;
    // One line, once: the hot keys are missing, and how to get them anyway.
    std::fputs("tavlin: this desktop offers programs no global shortcuts; bind \"tavlin cover "
               "toggle\" and \"tavlin spotlight toggle\" in its keyboard settings instead.\n",
               stderr);
    for (const quint32 id : m_wanted.keys())
        Q_EMIT answered(id, false);
}

} // namespace tavlin
