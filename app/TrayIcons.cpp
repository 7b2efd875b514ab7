#include "app/TrayIcons.h"

#include "app/SymbolPaths.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>

namespace tavlin {

const QList<int>& TrayIcons::pixelSizes()
{
    static const QList<int> sizes{16, 22, 24, 32, 44, 48, 64};
    return sizes;
}

QIcon TrayIcons::icon(const QString& symbolName)
{
    if (const auto cached = m_icons.constFind(symbolName); cached != m_icons.constEnd())
        return *cached;
    const QPainterPath symbol = SymbolPaths::forName(symbolName);
    if (symbol.isEmpty())
        return {};
    QIcon built;
    for (const int pixels : pixelSizes())
        built.addPixmap(QPixmap::fromImage(render(symbol, pixels)));
    m_icons.insert(symbolName, built);
    return built;
}

QImage TrayIcons::render(const QPainterPath& symbol, int pixels)
{
    const qreal scale = pixels / SymbolPaths::designSize;
    QImage shape(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    QPainter shapePainter(&shape);
    shapePainter.setRenderHint(QPainter::Antialiasing);
    shapePainter.scale(scale, scale);
    shapePainter.fillPath(symbol, Qt::black);
    shapePainter.end();

    // The gradient spans the whole icon, left to right; the symbol, laid over the whole icon,
    // then keeps it only where the symbol itself is opaque.
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    QLinearGradient gradient(0, 0, pixels, 0);
    gradient.setColorAt(0.0, QColor::fromRgbF(1.0f, 0.36f, 0.68f));
    gradient.setColorAt(0.5, QColor::fromRgbF(1.0f, 0.58f, 0.22f));
    gradient.setColorAt(1.0, QColor::fromRgbF(1.0f, 0.86f, 0.30f));
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(image.rect(), gradient);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.drawImage(0, 0, shape);
    painter.end();
    return image;
}

} // namespace tavlin
