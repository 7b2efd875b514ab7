#pragma once

#include <QString>
#include <array>

namespace tavlin {

// One built-in picture: its file name among the installed pictures, and the menu's label.
struct BackdropPicture
{
    QString file;
    QString title;
};

// The built-in pictures in menu order: nine JPEGs, then fifteen WebPs.
const std::array<BackdropPicture, 24>& backdropCatalog();

} // namespace tavlin
