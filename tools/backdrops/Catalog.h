#pragma once

#include <QImage>
#include <QSize>
#include <array>

namespace tavlin::backdrops {

using Painter = QImage (*)(QSize);

// One painter per built-in picture, in the order of the program's backdrop catalogue.
const std::array<Painter, 24>& painters();

} // namespace tavlin::backdrops
