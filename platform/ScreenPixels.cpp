#include "platform/ScreenPixels.h"

#include <QGuiApplication>
#include <QScreen>

namespace tavlin::ScreenPixels {

QRect nativeGeometry(const QScreen& screen)
{
    const QRect geometry = screen.geometry();
    return {geometry.topLeft(), (QSizeF(geometry.size()) * screen.devicePixelRatio()).toSize()};
}

QRectF toScreenLocal(const QRectF& native, QPointF origin, qreal ratio)
{
    const QRectF moved = native.translated(-origin);
    return {moved.topLeft() / ratio, moved.size() / ratio};
}

QScreen* screenAt(QPointF native)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* screen : screens) {
        if (QRectF(nativeGeometry(*screen)).contains(native))
            return screen;
    }
    return nullptr;
}

} // namespace tavlin::ScreenPixels
