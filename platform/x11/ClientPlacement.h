#pragma once

#include <QPoint>
#include <QRect>

namespace tavlin {

// A window's geometry as X reports it in ConfigureNotify and GetGeometry: the outer top-left
// corner (border included) relative to the parent, the inner size and the border width.
struct ConfigureGeometry
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int border = 0;
};

// Where a managed client lies on the root window, kept current from the ConfigureNotify events
// of the client and of the window manager's frame around it, so that a move needs no request.
struct ClientPlacement
{
    bool framed = false;      // reparented into a frame of the window manager's
    bool frameOnRoot = false; // that frame is a child of the root: its events are root-relative
    QPoint frameOrigin;       // the frame's inner top-left corner, root coordinates
    QPoint offset;            // the client's inner top-left corner inside the frame
    QRect rect;               // the client's inner area, root coordinates

    // From a full read: the client's geometry relative to its parent and where its inner
    // top-left corner lies on the root.
    static ClientPlacement read(bool framed, bool frameOnRoot, const ConfigureGeometry& geometry,
                                QPoint rootOrigin);

    // A ConfigureNotify of the client. A synthetic one (ICCCM: the window manager's word on a
    // move) is in root coordinates; a real one is relative to the parent.
    void clientConfigured(const ConfigureGeometry& event, bool synthetic);
    // A ConfigureNotify of the frame. False when it cannot be placed without asking the server
    // (a frame nested in another window of the window manager's).
    bool frameConfigured(const ConfigureGeometry& event);
};

} // namespace tavlin
