#include "platform/WindowList.h"

#include <QGuiApplication>
#include <QScreen>

namespace tavlin {

ScreenMapping WindowList::mappingFor(const QScreen& screen) const
{
    return {screen.geometry().topLeft(), 1.0};
}

QScreen* WindowList::screenAt(const QPointF& at) const
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* screen : screens) {
        if (QRectF(QPointF(0, 0), screen->size()).contains(mappingFor(*screen).toLocal(at)))
            return screen;
    }
    return nullptr;
}

} // namespace tavlin
