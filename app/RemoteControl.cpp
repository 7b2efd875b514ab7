#include "app/RemoteControl.h"

#include "app/AppModel.h"
#include "app/AppServices.h"
#include "app/RemoteNames.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>

namespace tavlin {

RemoteControl::RemoteControl(AppModel& model, AppServices& services, QObject* parent)
    : QObject(parent), m_model(model),
      m_command(TidyServices{*services.core.fileSystem, *services.core.settings,
                             *services.core.clock, *services.core.contentTypes,
                             *services.core.state})
{
}

RemoteControl::~RemoteControl()
{
    if (!m_registered)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(RemoteNames::service);
    bus.unregisterObject(RemoteNames::path);
}

bool RemoteControl::registerInstance()
{
    if (m_registered)
        return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qWarning("tavlin: no session bus, so the command line cannot reach this instance: %s",
                 qPrintable(bus.lastError().message()));
        return true;
    }
    if (!bus.registerObject(RemoteNames::path, RemoteNames::interface, this,
                            QDBusConnection::ExportScriptableSlots))
        return false;
    if (bus.registerService(RemoteNames::service)) {
        m_registered = true;
        return true;
    }
    bus.unregisterObject(RemoteNames::path);
    // Only an owner elsewhere means another instance; a bus that refuses the name for any other
    // reason must not stop the program from running.
    const bool taken = bus.interface()->isServiceRegistered(RemoteNames::service);
    if (!taken)
        qWarning("tavlin: the session bus refused the name %s: %s",
                 qPrintable(RemoteNames::service), qPrintable(bus.lastError().message()));
    return !taken;
}

bool RemoteControl::claimName()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.registerService(RemoteNames::service))
        return true;
    return !bus.interface()->isServiceRegistered(RemoteNames::service);
}

template <typename Feature>
bool RemoteControl::switchFeature(Feature& feature, const QString& action)
{
    const bool wantsOn =
        action == QLatin1String("on") || (action == QLatin1String("toggle") && !feature.isOn());
    if (action == QLatin1String("on") || action == QLatin1String("off")) {
        feature.setOn(action == QLatin1String("on"));
    } else if (action == QLatin1String("toggle")) {
        feature.toggleWithoutAnimation();
    } else if (calledFromDBus()) {
        sendErrorReply(QDBusError::InvalidArgs,
                       QStringLiteral("unknown action '%1'; use on, off or toggle").arg(action));
    }
    // It stayed off because this session cannot show it: an error, so that no caller, a
    // desktop's shortcut running the command line included, takes "off" for success.
    if (wantsOn && !feature.isOn() && calledFromDBus()) {
        const QString reason = feature.unavailableReason();
        sendErrorReply(RemoteNames::unavailableError,
                       reason.isEmpty() ? QStringLiteral("it could not be switched on") : reason);
    }
    return feature.isOn();
}

bool RemoteControl::SetCover(const QString& action)
{
    return switchFeature(m_model.cover(), action);
}

bool RemoteControl::SetSpotlight(const QString& action)
{
    return switchFeature(m_model.spotlight(), action);
}

int RemoteControl::Tidy(const QByteArray& desktop, bool dryRun, QByteArray&, QByteArray&)
{
    return run(dryRun ? TidyCommand::Action::DryRun : TidyCommand::Action::Tidy, desktop);
}

int RemoteControl::Undo(const QByteArray& desktop, QByteArray&, QByteArray&)
{
    return run(TidyCommand::Action::Undo, desktop);
}

int RemoteControl::Pending(const QByteArray& desktop, QByteArray&, QByteArray&)
{
    return run(TidyCommand::Action::Pending, desktop);
}

void RemoteControl::Activate() {}

int RemoteControl::run(TidyCommand::Action action, const QByteArray& desktop)
{
    if (!calledFromDBus())
        return CommandResult::Failure;
    // The answer goes out when the worker is done; until then the caller waits, not this thread.
    setDelayedReply(true);
    const auto reply = [connection = connection(), call = message()](const CommandResult& result) {
        connection.send(call.createReply(QVariantList{result.exitCode, result.out, result.err}));
    };
    CommandResult refused;
    // This process's working folder is not the caller's, so a relative path would name
    // another folder.
    if (!desktop.isEmpty() && !desktop.startsWith('/')) {
        refused.exitCode = CommandResult::Usage;
        refused.errLine("tavlin: the Desktop folder must be an absolute path");
        reply(refused);
        return 0;
    }
    const std::optional<QByteArray> folder = m_command.folder(desktop, refused);
    if (!folder) {
        reply(refused);
        return 0;
    }
    DesktopTidy& tidy = m_model.tidy();
    switch (action) {
    case TidyCommand::Action::Tidy:
        tidy.tidyFolder(*folder, [reply](const TidyResult& r) { reply(TidyCommand::report(r)); });
        break;
    case TidyCommand::Action::Undo:
        tidy.undoFolder(*folder, [reply](const UndoResult& r) { reply(TidyCommand::report(r)); });
        break;
    case TidyCommand::Action::DryRun:
    case TidyCommand::Action::Pending:
        tidy.runInBackground([command = m_command, action,
                              folder = *folder] { return command.inspect(action, folder); },
                             reply);
        break;
    }
    return 0;
}

} // namespace tavlin
