#pragma once

#include <QPainterPath>
#include <QString>

// The tray's symbols, drawn as filled shapes in a square of `designSize` units, heavy enough to
// stay legible at 16 pixels. Holes are real gaps in the path, so whatever fills the path shows
// the background through them.
namespace tavlin::SymbolPaths {

inline constexpr qreal designSize = 100.0;

// An almond-shaped eye with a round pupil cut out.
QPainterPath eye();
// The same eye crossed by a diagonal slash, with a gap on either side of the slash.
QPainterPath eyeSlash();
// A filled circle with a check mark cut out.
QPainterPath checkmarkCircle();

// The path for "eye.fill", "eye.slash.fill" or "checkmark.circle.fill"; empty for any other name.
QPainterPath forName(const QString& symbolName);

} // namespace tavlin::SymbolPaths
