#include "platform/x11/X11RootBackground.h"

#include "platform/x11/X11Connection.h"

#include <QPainter>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace tavlin {

namespace {

// Both names are in use: _XROOTPMAP_ID by most setters, ESETROOT_PMAP_ID by older ones.

struct Channel
{
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
};

struct PixelLayout
{
    int bytesPerPixel = 0;
    bool mostSignificantFirst = false;
    Channel red, green, blue;
};

Channel channelOf(uint32_t mask)
{
    return {mask, std::countr_zero(mask), std::popcount(mask)};
}

uint32_t eightBits(uint32_t pixel, const Channel& channel)
{
    const uint32_t value = (pixel & channel.mask) >> channel.shift;
    if (channel.bits >= 8)
        return value >> (channel.bits - 8);
    return value * 255 / ((1u << channel.bits) - 1);
}

const xcb_screen_t* screenOf(const xcb_setup_t* setup, xcb_window_t root)
{
    for (xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup); it.rem; xcb_screen_next(&it)) {
        if (it.data->root == root)
            return it.data;
    }
    return nullptr;
}

// How the server lays out the pixels of a drawable of `depth`: the root's visual when the depth
// is the root's, else any true-colour visual of that depth.
std::optional<PixelLayout> layoutFor(const xcb_setup_t* setup, const xcb_screen_t* screen,
                                     uint8_t depth)
{
    const xcb_visualtype_t* visual = nullptr;
    for (xcb_depth_iterator_t d = xcb_screen_allowed_depths_iterator(screen); d.rem && !visual;
         xcb_depth_next(&d)) {
        if (d.data->depth != depth)
            continue;
        for (xcb_visualtype_iterator_t v = xcb_depth_visuals_iterator(d.data); v.rem;
             xcb_visualtype_next(&v)) {
            const bool usable = depth == screen->root_depth
                                    ? v.data->visual_id == screen->root_visual
                                    : v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR;
            if (usable) {
                visual = v.data;
                break;
            }
        }
    }
    if (!visual || (visual->_class != XCB_VISUAL_CLASS_TRUE_COLOR &&
                    visual->_class != XCB_VISUAL_CLASS_DIRECT_COLOR))
        return std::nullopt;
    if (!visual->red_mask || !visual->green_mask || !visual->blue_mask)
        return std::nullopt;

    int bitsPerPixel = 0;
    for (xcb_format_iterator_t f = xcb_setup_pixmap_formats_iterator(setup); f.rem;
         xcb_format_next(&f)) {
        if (f.data->depth == depth)
            bitsPerPixel = f.data->bits_per_pixel;
    }
    if (bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32)
        return std::nullopt;
    return PixelLayout{bitsPerPixel / 8, setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST,
                       channelOf(visual->red_mask), channelOf(visual->green_mask),
                       channelOf(visual->blue_mask)};
}

QImage toImage(const uint8_t* data, int length, QSize size, const PixelLayout& layout)
{
    if (size.isEmpty())
        return {};
    // Rows are padded to the server's scanline unit; the reply's length tells by how much.
    const int stride = length / size.height();
    if (stride < size.width() * layout.bytesPerPixel)
        return {};
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    for (int y = 0; y < size.height(); ++y) {
        const uint8_t* in = data + qsizetype(y) * stride;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x, in += layout.bytesPerPixel) {
            uint32_t pixel = 0;
            for (int i = 0; i < layout.bytesPerPixel; ++i) {
                const int byte = layout.mostSignificantFirst ? i : layout.bytesPerPixel - 1 - i;
                pixel = (pixel << 8) | in[byte];
            }
            out[x] = qRgb(int(eightBits(pixel, layout.red)), int(eightBits(pixel, layout.green)),
                          int(eightBits(pixel, layout.blue)));
        }
    }
    return image;
}

int floorMod(int value, int divisor)
{
    return ((value % divisor) + divisor) % divisor;
}

} // namespace

X11RootBackground::X11RootBackground(std::shared_ptr<X11Connection> connection)
    : m_connection(std::move(connection))
{
    if (!m_connection)
        return;
    m_rootPixmapAtom = m_connection->atom(X11Connection::XRootPmapId);
    m_setrootPixmapAtom = m_connection->atom(X11Connection::EsetrootPmapId);
}

QImage X11RootBackground::under(const QRect& area) const
{
    if (!m_connection || area.isEmpty())
        return {};
    const xcb_pixmap_t pixmap = advertisedPixmap();
    if (pixmap == XCB_PIXMAP_NONE)
        return {};
    xcb_connection_t* c = m_connection->xcb();
    // Setters free the previous pixmap when they set a new one, so the id may be stale; a
    // checked request hands the error here instead of to Qt's error handler.
    xcb_generic_error_t* error = nullptr;
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(c, xcb_get_geometry(c, pixmap), &error);
    std::free(error);
    if (!geometry)
        return {};
    const QRect pixmapRect(0, 0, geometry->width, geometry->height);
    const uint8_t depth = geometry->depth;
    std::free(geometry);
    if (pixmapRect.contains(area))
        return readPixmap(pixmap, area, depth);

    // The server repeats a smaller pixmap from the root's origin.
    const QImage tile = readPixmap(pixmap, pixmapRect, depth);
    QImage image(area.size(), QImage::Format_RGB32);
    if (tile.isNull() || image.isNull())
        return {};
    QPainter painter(&image);
    const int left = area.x() - floorMod(area.x(), tile.width());
    const int top = area.y() - floorMod(area.y(), tile.height());
    for (int y = top; y <= area.bottom(); y += tile.height()) {
        for (int x = left; x <= area.right(); x += tile.width())
            painter.drawImage(QPoint(x - area.x(), y - area.y()), tile);
    }
    return image;
}

xcb_pixmap_t X11RootBackground::advertisedPixmap() const
{
    xcb_connection_t* c = m_connection->xcb();
    const std::array<xcb_atom_t, 2> names{m_rootPixmapAtom, m_setrootPixmapAtom};
    std::array<xcb_get_property_cookie_t, 2> cookies{};
    for (size_t i = 0; i < names.size(); ++i)
        cookies[i] = xcb_get_property(c, 0, m_connection->root(), names[i], XCB_ATOM_ANY, 0, 1);
    xcb_pixmap_t pixmap = XCB_PIXMAP_NONE;
    for (xcb_get_property_cookie_t cookie : cookies) {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(c, cookie, nullptr);
        if (pixmap == XCB_PIXMAP_NONE && reply && reply->format == 32 &&
            xcb_get_property_value_length(reply) >= 4)
            memcpy(&pixmap, xcb_get_property_value(reply), sizeof pixmap);
        std::free(reply);
    }
    return pixmap;
}

QImage X11RootBackground::readPixmap(xcb_pixmap_t pixmap, const QRect& area, uint8_t depth) const
{
    xcb_connection_t* c = m_connection->xcb();
    const xcb_setup_t* setup = xcb_get_setup(c);
    const xcb_screen_t* screen = screenOf(setup, m_connection->root());
    const std::optional<PixelLayout> layout =
        screen ? layoutFor(setup, screen, depth) : std::nullopt;
    if (!layout)
        return {};
    xcb_generic_error_t* error = nullptr;
    xcb_get_image_reply_t* reply = xcb_get_image_reply(
        c,
        xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, int16_t(area.x()), int16_t(area.y()),
                      uint16_t(area.width()), uint16_t(area.height()), ~0u),
        &error);
    std::free(error);
    if (!reply)
        return {};
    QImage image =
        toImage(xcb_get_image_data(reply), xcb_get_image_data_length(reply), area.size(), *layout);
    std::free(reply);
    return image;
}

} // namespace tavlin
