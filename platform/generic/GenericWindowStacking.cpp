#include "platform/generic/GenericWindowStacking.h"

#include <QWidget>

namespace tavlin {

void GenericWindowStacking::prepare(QWidget* window, OverlayLevel level)
{
    Qt::WindowFlags flags = window->windowFlags() | Qt::FramelessWindowHint |
                            Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint | Qt::Tool;
    if (level == OverlayLevel::Cover)
        flags |= Qt::WindowStaysOnBottomHint;
    else
        flags |= Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput;
    window->setWindowFlags(flags);
}

} // namespace tavlin
