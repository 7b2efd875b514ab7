#pragma once

#include <QImage>
#include <QList>

// The pictures a window offers in its _NET_WM_ICON property.
namespace tavlin::NetWmIcon {

// The property holds width, height and width × height ARGB pixels, for each size in turn.
// Stops at the first picture that is empty, absurdly large or cut short, keeping those before.
QList<QImage> images(const QList<quint32>& data);

} // namespace tavlin::NetWmIcon
