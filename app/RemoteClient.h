#pragma once

#include "app/CommandResult.h"

#include <QByteArray>
#include <QString>
#include <QVariantList>
#include <optional>

class QDBusMessage;

namespace tavlin {

// The command line's side of the running program's bus interface. Every call answers nullopt
// when no instance can be reached (no session bus, or nobody holds the name); a call that
// reaches one but fails answers what the command line prints for it.
class RemoteClient
{
public:
    static constexpr int switchTimeoutMs = 5000;
    // A tidy moves files; on a crowded Desktop that takes longer than a switch.
    static constexpr int tidyTimeoutMs = 60000;

    static bool instanceRunning();

    // `action` is "on", "off" or "toggle"; prints the new state, "on" or "off", or fails with
    // the reason why the running instance cannot show the feature here.
    static std::optional<CommandResult> setCover(const QString& action);
    static std::optional<CommandResult> setSpotlight(const QString& action);

    // `desktop` is absolute, or empty for the folder chosen in the tray menu.
    static std::optional<CommandResult> tidy(const QByteArray& desktop, bool dryRun);
    static std::optional<CommandResult> undo(const QByteArray& desktop);
    static std::optional<CommandResult> pending(const QByteArray& desktop);

    // Tells a running instance that the program was launched again: true when one holds the
    // name, even if it did not answer in time, since a second one could not claim it then.
    static bool activate();

private:
    static std::optional<QDBusMessage> call(const QString& method, const QVariantList& arguments,
                                            int timeoutMs, CommandResult& failure);
    static std::optional<CommandResult> setFeature(const QString& method, const QString& action);
    static std::optional<CommandResult> tidyCall(const QString& method,
                                                 const QVariantList& arguments);
};

} // namespace tavlin
