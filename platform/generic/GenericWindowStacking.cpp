#include "platform/generic/GenericWindowStacking.h"

#include <QWidget>

namespace tavlin {

void GenericWindowStacking::prepare(QWidget* window, OverlayLevel level)
{
    Qt::WindowFlags flags = window->windowFlags() | Qt::FramelessWindowHint |
                            Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint | Qt::Tool;
    flags |= level == OverlayLevel::Cover ? Qt::WindowStaysOnBottomHint : Qt::WindowStaysOnTopHint;
    window->setWindowFlags(flags);
}

} // namespace tavlin
