#pragma once

#include "platform/FolderChooser.h"

#include <QByteArrayList>

namespace tavlin {

// Answers the folder dialog with a prepared choice and remembers where each dialog started.
class FakeFolderChooser final : public FolderChooser
{
public:
    std::optional<QByteArray> answer; // nullopt: the user cancels
    QByteArrayList requests;

    std::optional<QByteArray> chooseFolder(const QString&, const QString&,
                                           const QByteArray& startFolder) override
    {
        requests.append(startFolder);
        return answer;
    }
};

} // namespace tavlin
