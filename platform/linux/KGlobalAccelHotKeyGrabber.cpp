#include "platform/linux/KGlobalAccelHotKeyGrabber.h"

#include "platform/linux/KGlobalAccelKeys.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <algorithm>
#include <optional>

namespace tavlin {

namespace {

const QString service = QStringLiteral("org.kde.kglobalaccel");
const QString servicePath = QStringLiteral("/kglobalaccel");
const QString serviceInterface = QStringLiteral("org.kde.KGlobalAccel");
const QString componentInterface = QStringLiteral("org.kde.kglobalaccel.Component");
const QString componentName = QStringLiteral("tavlin");
const QString componentPath = QStringLiteral("/component/tavlin");
const QString shortcutPrefix = QStringLiteral("hotkey-");

// The service's flags for setShortcut.
constexpr uint setPresent = 0x2; // the program is running and takes the presses
constexpr uint isDefault = 0x8;  // what "Defaults" in System Settings goes back to

QDBusMessage serviceCall(const QString& method, const QVariantList& args)
{
    QDBusMessage message =
        QDBusMessage::createMethodCall(service, servicePath, serviceInterface, method);
    message.setArguments(args);
    return message;
}

} // namespace

KGlobalAccelHotKeyGrabber::KGlobalAccelHotKeyGrabber(QDBusConnection bus, QObject* parent)
    : HotKeyGrabber(parent), m_bus(std::move(bus))
{
    m_bus.connect(service, componentPath, componentInterface,
                  QStringLiteral("globalShortcutPressed"), this,
                  SLOT(shortcutPressed(QString, QString, qlonglong)));
    m_bus.connect(service, componentPath, componentInterface,
                  QStringLiteral("globalShortcutReleased"), this,
                  SLOT(shortcutReleased(QString, QString, qlonglong)));
}

KGlobalAccelHotKeyGrabber::~KGlobalAccelHotKeyGrabber()
{
    // The service keeps the chords, but lets their keys through to others until the next start.
    QDBusPendingCall last = QDBusPendingCall::fromCompletedCall(QDBusMessage());
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it)
        last =
            m_bus.asyncCall(serviceCall(QStringLiteral("setInactive"), {actionId(it.key())}), 1000);
    // The calls are answered in order: the last answer says all arrived before we go.
    last.waitForFinished();
}

bool KGlobalAccelHotKeyGrabber::servedByCompositor(const QDBusConnection& bus)
{
    const QDBusConnectionInterface* names = bus.interface();
    if (!names)
        return false;
    const QString owner = names->serviceOwner(service);
    return !owner.isEmpty() && owner == names->serviceOwner(QStringLiteral("org.kde.KWin")).value();
}

QStringList KGlobalAccelHotKeyGrabber::actionId(quint32 id) const
{
    // The service's action id: component, shortcut, then the names System Settings shows.
    return {componentName, shortcutPrefix + QString::number(id), QStringLiteral("Tavlin"),
            m_actions.value(id).description};
}

quint32 KGlobalAccelHotKeyGrabber::idOf(const QString& component, const QString& shortcut) const
{
    if (component != componentName || !shortcut.startsWith(shortcutPrefix))
        return 0;
    const quint32 id = shortcut.mid(shortcutPrefix.size()).toUInt();
    return m_actions.contains(id) ? id : 0;
}

HotKeyGrabber::Grant KGlobalAccelHotKeyGrabber::grab(quint32 id, const KeyChord& chord,
                                                     const QString& description)
{
    const int key = KGlobalAccelKeys::key(chord);
    if (key == 0 || !m_bus.isConnected())
        return Grant::Refused;
    m_actions[id].description = description;
    const QStringList action = actionId(id);
    const QList<int> keys{key};
    m_bus.asyncCall(serviceCall(QStringLiteral("doRegister"), {action}));
    m_bus.asyncCall(
        serviceCall(QStringLiteral("setShortcut"), {action, QVariant::fromValue(keys), isDefault}));
    // Without "no autoloading" the service answers with the keys it already had for this
    // shortcut, which are the user's; new ones get ours unless another program holds them.
    auto* watcher = new QDBusPendingCallWatcher(
        m_bus.asyncCall(serviceCall(QStringLiteral("setShortcut"),
                                    {action, QVariant::fromValue(keys), setPresent})),
        this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, id](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                const QDBusPendingReply<QList<int>> reply = *call;
                const QList<int> bound = reply.isValid() ? reply.value() : QList<int>();
                Q_EMIT answered(
                    id, std::any_of(bound.cbegin(), bound.cend(), [](int k) { return k != 0; }));
            });
    return Grant::Pending;
}

void KGlobalAccelHotKeyGrabber::shortcutPressed(const QString& component, const QString& shortcut,
                                                qlonglong)
{
    const quint32 id = idOf(component, shortcut);
    if (!id)
        return;
    const Action& action = m_actions[id];
    const std::optional<qint64> since =
        action.lastPress.isValid() ? std::optional(action.lastPress.elapsed()) : std::nullopt;
    if (!KGlobalAccelKeys::isRepeat(since, action.released))
        Q_EMIT pressed(id);
    // Counted from when the press was handled: a slow action must not let the repeats that
    // queued up meanwhile look like new presses.
    Action& handled = m_actions[id];
    handled.lastPress.start();
    handled.released = false;
}

void KGlobalAccelHotKeyGrabber::shortcutReleased(const QString& component, const QString& shortcut,
                                                 qlonglong)
{
    if (const quint32 id = idOf(component, shortcut))
        m_actions[id].released = true;
}

} // namespace tavlin
