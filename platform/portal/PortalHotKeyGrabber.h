#pragma once

#include "platform/HotKeyGrabber.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QMap>
#include <QString>
#include <QVariantMap>
#include <functional>

namespace tavlin {

// Global shortcuts bound by the desktop portal (org.freedesktop.portal.GlobalShortcuts), for
// sessions where no program may grab keys itself. Everything is asked for asynchronously: the
// program registers its app id with the portal's host registry where there is one, opens a
// shortcuts session, and binds every chord asked for so far in one request; the answers come
// with `answered`. Where the portal has no global shortcuts, every chord is refused and the
// program says so once on stderr.
class PortalHotKeyGrabber : public HotKeyGrabber
{
    Q_OBJECT
public:
    // `bus` should be a connection of its own: the registry accepts an app id only before the
    // connection made any other portal call.
    PortalHotKeyGrabber(QDBusConnection bus, QString appId, QObject* parent = nullptr);

    Grant grab(quint32 id, const KeyChord& chord, const QString& description) override;

private Q_SLOTS:
    void responded(uint response, const QVariantMap& results, const QDBusMessage& message);
    void activated(const QDBusObjectPath& session, const QString& shortcutId, qulonglong timestamp,
                   const QVariantMap& options);
    void sessionClosed();

private:
    enum class State { Starting, Ready, Unavailable };
    struct Wanted
    {
        KeyChord chord;
        QString description;
    };
    using Answer = std::function<void(uint response, const QVariantMap& results)>;

    void call(const QString& interface, const QString& method, const QVariantList& args,
              const std::function<void(const QDBusMessage& reply)>& done);
    void request(const QString& method, QVariantList args, QVariantMap options, Answer answer);
    void checkShortcuts();
    void createSession();
    void bind();
    void giveUp();

    QDBusConnection m_bus;
    QString m_appId;
    State m_state = State::Starting;
    QString m_session;
    QMap<quint32, Wanted> m_wanted;
    QMap<QString, Answer> m_requests; // request path → what to do with its answer
    int m_tokens = 0;
    bool m_bindQueued = false;
};

} // namespace tavlin
