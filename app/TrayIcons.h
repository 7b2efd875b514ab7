#pragma once

#include <QHash>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QPainterPath>
#include <QString>

namespace tavlin {

// The tray's icons: each symbol filled with the pink-orange-yellow gradient on a transparent
// background, in its own colours rather than as a mask the desktop would tint. Each icon is
// built once and then handed out again.
class TrayIcons
{
public:
    // The sizes trays ask for, and their doubles for high-density screens.
    static const QList<int>& pixelSizes();

    // The icon for a symbol name (see SymbolPaths::forName). An unknown name gives a null icon
    // that is not remembered, so a later call tries again.
    QIcon icon(const QString& symbolName);

    // `symbol` (in design units) drawn into a square of `pixels`, filled with the gradient.
    static QImage render(const QPainterPath& symbol, int pixels);

private:
    QHash<QString, QIcon> m_icons;
};

} // namespace tavlin
