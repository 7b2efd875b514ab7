#pragma once

#include <QImage>
#include <QRect>
#include <memory>
#include <xcb/xcb.h>

namespace tavlin {

class X11Connection;

// The picture a desktop setter (feh, hsetroot, nitrogen, most desktop environments on X11)
// leaves on the root window, advertised by its pixmap id in a root property.
class X11RootBackground
{
public:
    explicit X11RootBackground(std::shared_ptr<X11Connection> connection);

    // The background under `area` (root coordinates), tiled as the server tiles it; null when
    // no setter left a pixmap, it is gone, or its pixel format is not a true-colour one.
    QImage under(const QRect& area) const;

private:
    xcb_pixmap_t advertisedPixmap() const;
    QImage readPixmap(xcb_pixmap_t pixmap, const QRect& area, uint8_t depth) const;

    std::shared_ptr<X11Connection> m_connection;
    xcb_atom_t m_rootPixmapAtom = XCB_ATOM_NONE;
    xcb_atom_t m_setrootPixmapAtom = XCB_ATOM_NONE;
};

} // namespace tavlin
