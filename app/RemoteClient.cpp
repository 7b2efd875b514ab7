#include "app/RemoteClient.h"

#include "app/RemoteNames.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace tavlin {

bool RemoteClient::instanceRunning()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface()->isServiceRegistered(RemoteNames::service);
}

// nullopt when nothing holds the name; otherwise the reply, or an invalid message once
// `failure` says what went wrong.
std::optional<QDBusMessage> RemoteClient::call(const QString& method, const QVariantList& arguments,
                                               int timeoutMs, CommandResult& failure)
{
    // Asked first rather than read from a failed call: Qt's bus thread may still be handling an
    // error reply while this process exits, and then warns on the terminal.
    if (!instanceRunning())
        return std::nullopt;
    QDBusMessage message = QDBusMessage::createMethodCall(RemoteNames::service, RemoteNames::path,
                                                          RemoteNames::interface, method);
    message.setArguments(arguments);
    // Nothing is started on demand: no instance means the caller works on its own.
    message.setAutoStartService(false);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(message, QDBus::Block, timeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return reply;
    const QString name = reply.errorName();
    if (name == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
        name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
        return std::nullopt;
    if (name == QLatin1String("org.freedesktop.DBus.Error.InvalidArgs")) {
        failure.exitCode = CommandResult::Usage;
        failure.errLine("tavlin: " + reply.errorMessage().toUtf8());
    } else if (name == RemoteNames::unavailableError) {
        failure.exitCode = CommandResult::Failure;
        failure.errLine("tavlin: " + reply.errorMessage().toUtf8());
    } else if (name == QLatin1String("org.freedesktop.DBus.Error.NoReply")) {
        // It may still be working: running here as well could tidy twice at once.
        failure.exitCode = CommandResult::Failure;
        failure.errLine("tavlin: the running Tavlin did not answer in time; "
                        "its menu shows the result");
    } else {
        failure.exitCode = CommandResult::Failure;
        failure.errLine("tavlin: the running Tavlin refused the call: " +
                        reply.errorMessage().toUtf8());
    }
    return QDBusMessage();
}

std::optional<CommandResult> RemoteClient::setFeature(const QString& method, const QString& action)
{
    CommandResult result;
    const std::optional<QDBusMessage> reply = call(method, {action}, switchTimeoutMs, result);
    if (!reply)
        return std::nullopt;
    if (reply->type() == QDBusMessage::ReplyMessage && reply->arguments().size() == 1)
        result.outLine(reply->arguments().constFirst().toBool() ? "on" : "off");
    return result;
}

std::optional<CommandResult> RemoteClient::tidyCall(const QString& method,
                                                    const QVariantList& arguments)
{
    CommandResult result;
    const std::optional<QDBusMessage> reply = call(method, arguments, tidyTimeoutMs, result);
    if (!reply)
        return std::nullopt;
    if (reply->type() != QDBusMessage::ReplyMessage)
        return result;
    const QVariantList values = reply->arguments();
    if (values.size() != 3) {
        result.exitCode = CommandResult::Failure;
        result.errLine("tavlin: the running Tavlin gave an answer this command cannot read");
        return result;
    }
    result.exitCode = values[0].toInt();
    result.out = values[1].toByteArray();
    result.err = values[2].toByteArray();
    return result;
}

std::optional<CommandResult> RemoteClient::setCover(const QString& action)
{
    return setFeature(QStringLiteral("SetCover"), action);
}

std::optional<CommandResult> RemoteClient::setSpotlight(const QString& action)
{
    return setFeature(QStringLiteral("SetSpotlight"), action);
}

std::optional<CommandResult> RemoteClient::tidy(const QByteArray& desktop, bool dryRun)
{
    return tidyCall(QStringLiteral("Tidy"), {desktop, dryRun});
}

std::optional<CommandResult> RemoteClient::undo(const QByteArray& desktop)
{
    return tidyCall(QStringLiteral("Undo"), {desktop});
}

std::optional<CommandResult> RemoteClient::pending(const QByteArray& desktop)
{
    return tidyCall(QStringLiteral("Pending"), {desktop});
}

bool RemoteClient::activate()
{
    CommandResult ignored;
    const std::optional<QDBusMessage> reply =
        call(QStringLiteral("Activate"), {}, switchTimeoutMs, ignored);
    return reply.has_value();
}

} // namespace tavlin
