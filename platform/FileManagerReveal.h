#pragma once

#include <QByteArray>

namespace tavlin {

// Shows an item selected in the user's file manager.
class FileManagerReveal
{
public:
    virtual ~FileManagerReveal() = default;
    virtual void reveal(const QByteArray& path) = 0;
};

} // namespace tavlin
