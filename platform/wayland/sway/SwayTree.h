#pragma once

#include "platform/wayland/CompositorWindow.h"

#include <QJsonObject>
#include <QList>

// What sway's get_tree reply says about the windows on screen.
namespace tavlin::SwayTree {

// Every window of the tree, front-most first as far as sway tells: on each output the shown
// workspace's fullscreen window, then its floating windows from the top down (sway raises a
// floating window when it gets the focus), then its tiled windows in focus order; windows of
// hidden workspaces and the scratchpad come last and are not ordinary. Bounds are the
// container with its own title bar, in layout coordinates (Qt's global coordinates on
// Wayland); the shared tab bar of a tabbed or stacked container is left out, as it shows
// other windows' titles. A reply that is not a tree gives no windows.
QList<CompositorWindow> windows(const QJsonObject& root);

} // namespace tavlin::SwayTree
