#pragma once

#include "platform/FileManagerReveal.h"

namespace tavlin {

// Asks the desktop's file manager over D-Bus to show an item; opens its folder when no file
// manager answers.
class DbusFileManagerReveal : public FileManagerReveal
{
public:
    void reveal(const QByteArray& path) override;
};

} // namespace tavlin
