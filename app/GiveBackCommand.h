#pragma once

#include <QByteArray>

// The program as the helper that gives Do Not Disturb back once the tray program has ended:
// started by the tray program with this command and a pipe for its input, it waits for that
// input to end, then gives back what the state folder still records. Not for people to type.
namespace tavlin::GiveBackCommand {

inline const QByteArray name = QByteArrayLiteral("--give-back-do-not-disturb");

int run(int argc, char** argv);

} // namespace tavlin::GiveBackCommand
