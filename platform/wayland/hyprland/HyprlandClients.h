#pragma once

#include "platform/wayland/CompositorWindow.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>

// What Hyprland's "j/clients", "j/monitors" and "j/activewindow" replies say about the
// windows on screen.
namespace tavlin::HyprlandClients {

// Every mapped client, front-most first: on each workspace a fullscreen window, then the
// floating windows, then the tiled ones, each from the top of Hyprland's window list down
// (it moves a floating window to the end when raising it). A client is ordinary when it is
// mapped, not hidden (an inactive group member) and on a workspace some monitor shows (its
// active or its open special workspace), and no fullscreen window covers it. Bounds are
// "at" and "size", layout coordinates (Qt's global coordinates on Wayland) whatever the
// monitor's scale; the border Hyprland draws around them is left covered.
QList<CompositorWindow> windows(const QJsonArray& clients, const QJsonArray& monitors,
                                const QJsonObject& activeWindow);

} // namespace tavlin::HyprlandClients
