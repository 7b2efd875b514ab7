#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace tavlin {

// Asks the user to pick a folder. Only ever called from a direct user action.
class FolderChooser
{
public:
    virtual ~FolderChooser() = default;

    // The chosen folder, or nullopt when the user cancelled. An empty startFolder leaves the
    // dialog at its own default.
    virtual std::optional<QByteArray> chooseFolder(const QString& message,
                                                   const QString& acceptLabel,
                                                   const QByteArray& startFolder) = 0;
};

} // namespace tavlin
