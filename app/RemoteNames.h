#pragma once

#include <QString>

// Where the running program answers on the session bus; the command line calls it there.
namespace tavlin::RemoteNames {
inline const QString service = QStringLiteral("io.github.tavlin.Tavlin");
inline const QString path = QStringLiteral("/io/github/tavlin/Tavlin");
inline const QString interface = QStringLiteral("io.github.tavlin.Tavlin1");
// The error a switch answers when it was asked to show something this session cannot show; its
// message says why.
inline const QString unavailableError =
    QStringLiteral("io.github.tavlin.Tavlin1.Error.Unavailable");
} // namespace tavlin::RemoteNames
