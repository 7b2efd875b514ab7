#include "platform/wayland/gnome/GnomeShell.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStandardPaths>

namespace tavlin {

namespace {

const QString shellService = QStringLiteral("org.gnome.Shell");
const QString shellPath = QStringLiteral("/org/gnome/Shell");
const QString extensionsInterface = QStringLiteral("org.gnome.Shell.Extensions");
const QString extensionService = QStringLiteral("io.github.tavlin.Shell");
const QString extensionPath = QStringLiteral("/io/github/tavlin/Shell");
const QString extensionInterface = QStringLiteral("io.github.tavlin.Shell1");
constexpr int callTimeoutMs = 3000;

// GNOME Shell's numbers for an extension's state.
enum ExtensionState { Enabled = 1, Disabled = 2, Error = 3, OutOfDate = 4, Initialized = 6 };

QDBusMessage callShell(const QDBusConnection& bus, const QString& method,
                       const QVariantList& arguments)
{
    QDBusMessage message =
        QDBusMessage::createMethodCall(shellService, shellPath, extensionsInterface, method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, callTimeoutMs);
}

} // namespace

const QString GnomeShell::extensionUuid = QStringLiteral("tavlin@tavlin.github.io");

GnomeShell::GnomeShell(const QDBusConnection& bus) : m_bus(bus) {}

std::shared_ptr<GnomeShell> GnomeShell::connectTo(const QDBusConnection& bus)
{
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(shellService))
        return nullptr;
    std::shared_ptr<GnomeShell> shell(new GnomeShell(bus));
    shell->m_watcher.setConnection(shell->m_bus);
    shell->m_watcher.addWatchedService(extensionService);
    shell->m_watcher.setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
    connect(&shell->m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, shell.get(),
            &GnomeShell::refresh);
    shell->refresh();
    return shell;
}

void GnomeShell::refresh()
{
    const State before = m_state;
    if (!m_extension.isEmpty())
        listen(m_extension, false);
    m_extension.clear();
    m_state = registerWithExtension() ? State::Ready : stateFromInfo();
    if (m_state != before)
        Q_EMIT stateChanged();
}

bool GnomeShell::registerWithExtension()
{
    // Only the extension inside GNOME Shell itself: another program could take the name.
    const QString owner = m_bus.interface()->serviceOwner(extensionService);
    if (owner.isEmpty() || owner != m_bus.interface()->serviceOwner(shellService).value())
        return false;
    listen(owner, true);
    m_extension = owner;
    const QDBusMessage reply =
        m_bus.call(QDBusMessage::createMethodCall(owner, extensionPath, extensionInterface,
                                                  QStringLiteral("Register")),
                   QDBus::Block, callTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    m_error = reply.errorMessage();
    listen(owner, false);
    m_extension.clear();
    return false;
}

void GnomeShell::listen(const QString& owner, bool on)
{
    const auto wire = [&](const QString& name, const char* slot) {
        if (on)
            m_bus.connect(owner, extensionPath, extensionInterface, name, this, slot);
        else
            m_bus.disconnect(owner, extensionPath, extensionInterface, name, this, slot);
    };
    wire(QStringLiteral("WindowsChanged"), SLOT(onWindowsChanged(QString)));
    wire(QStringLiteral("KeyPressed"), SLOT(onKeyPressed(uint)));
}

GnomeShell::State GnomeShell::stateFromInfo()
{
    const QDBusMessage reply =
        callShell(m_bus, QStringLiteral("GetExtensionInfo"), {extensionUuid});
    const QVariantMap info = reply.arguments().isEmpty()
                                 ? QVariantMap()
                                 : qdbus_cast<QVariantMap>(reply.arguments().constFirst());
    if (info.isEmpty()) {
        const QString installed = QStandardPaths::locate(
            QStandardPaths::GenericDataLocation,
            QStringLiteral("gnome-shell/extensions/%1/metadata.json").arg(extensionUuid));
        return installed.isEmpty() ? State::NotInstalled : State::NeedsLogin;
    }
    const int state = info.value(QStringLiteral("state")).toInt();
    if (state == Disabled || state == Initialized)
        return State::Disabled;
    if (m_error.isEmpty())
        m_error = info.value(QStringLiteral("error")).toString();
    if (state == OutOfDate)
        m_error = QCoreApplication::translate("tavlin", "it does not support this GNOME version");
    return State::Failed;
}

QString GnomeShell::unavailableReason() const
{
    switch (m_state) {
    case State::Ready:
        return {};
    case State::NotInstalled:
        return QCoreApplication::translate(
            "tavlin", "Needs Tavlin's GNOME Shell extension, which is not installed");
    case State::NeedsLogin:
        return QCoreApplication::translate(
            "tavlin", "Log out and in again to start Tavlin's new GNOME Shell extension");
    case State::Disabled:
        return QCoreApplication::translate("tavlin",
                                           "Tavlin's GNOME Shell extension is switched off");
    case State::Failed:
        return QCoreApplication::translate("tavlin",
                                           "Tavlin's GNOME Shell extension does not work: %1")
            .arg(m_error.isEmpty() ? QStringLiteral("no answer") : m_error);
    }
    return {};
}

bool GnomeShell::enableExtension()
{
    const QDBusMessage reply = callShell(m_bus, QStringLiteral("EnableExtension"), {extensionUuid});
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().constFirst().toBool();
}

void GnomeShell::call(const QString& method, const QVariantList& arguments,
                      std::function<void(bool)> done)
{
    if (m_extension.isEmpty()) {
        if (done)
            done(false);
        return;
    }
    QDBusMessage message =
        QDBusMessage::createMethodCall(m_extension, extensionPath, extensionInterface, method);
    message.setArguments(arguments);
    if (!done) {
        message.setAutoStartService(false);
        m_bus.send(message);
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, done = std::move(done)] {
        watcher->deleteLater();
        done(!watcher->isError());
    });
}

void GnomeShell::onWindowsChanged(const QString& windows)
{
    Q_EMIT windowsReported(windows.toUtf8());
}

void GnomeShell::onKeyPressed(uint id)
{
    Q_EMIT keyPressed(id);
}

} // namespace tavlin
