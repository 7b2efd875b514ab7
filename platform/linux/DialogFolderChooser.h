#pragma once

#include "platform/FolderChooser.h"

namespace tavlin {

// Asks for a folder with a modal file dialog.
class DialogFolderChooser : public FolderChooser
{
public:
    std::optional<QByteArray> chooseFolder(const QString& message, const QString& acceptLabel,
                                           const QByteArray& startFolder) override;
};

} // namespace tavlin
