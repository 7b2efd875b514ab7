#pragma once

#include "platform/FolderChooser.h"

#include <QList>

namespace tavlin {

// Answers the folder dialog with a prepared choice and remembers how it was asked.
class FakeFolderChooser final : public FolderChooser
{
public:
    struct Request
    {
        QString message;
        QString acceptLabel;
        QByteArray startFolder;
    };

    std::optional<QByteArray> answer; // nullopt: the user cancels
    QList<Request> requests;

    std::optional<QByteArray> chooseFolder(const QString& message, const QString& acceptLabel,
                                           const QByteArray& startFolder) override
    {
        requests.append({message, acceptLabel, startFolder});
        return answer;
    }
};

} // namespace tavlin
