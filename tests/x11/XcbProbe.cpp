#include "tests/x11/XcbProbe.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <xcb/xcb.h>

namespace tavlin {

namespace {

struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

} // namespace

XcbProbe::XcbProbe(const QByteArray& display)
{
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(display.constData(), &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    m_connection = connection;
    m_root = screens.data->root;
}

XcbProbe::~XcbProbe()
{
    if (m_connection)
        xcb_disconnect(m_connection);
}

quint32 XcbProbe::atom(const char* name)
{
    if (!m_connection)
        return 0;
    const auto cookie = xcb_intern_atom(m_connection, 0, uint16_t(std::strlen(name)), name);
    const Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(m_connection, cookie, nullptr));
    return reply ? reply->atom : 0;
}

QList<quint32> XcbProbe::values(quint32 window, const char* property)
{
    const quint32 name = atom(property);
    if (!m_connection || !name)
        return {};
    const auto cookie =
        xcb_get_property(m_connection, 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096);
    const Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(m_connection, cookie, nullptr));
    if (!reply || reply->format != 32)
        return {};
    const auto* data = static_cast<const quint32*>(xcb_get_property_value(reply.get()));
    return QList<quint32>(data, data + xcb_get_property_value_length(reply.get()) / 4);
}

std::optional<quint32> XcbProbe::cardinal(quint32 window, const char* property)
{
    const QList<quint32> items = values(window, property);
    return items.isEmpty() ? std::nullopt : std::optional(items.first());
}

quint32 XcbProbe::selectionOwner(const char* selection)
{
    if (!m_connection)
        return 0;
    const auto cookie = xcb_get_selection_owner(m_connection, atom(selection));
    const Reply<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(m_connection, cookie, nullptr));
    return reply ? reply->owner : 0;
}

bool XcbProbe::isViewable(quint32 window)
{
    if (!m_connection)
        return false;
    const Reply<xcb_get_window_attributes_reply_t> reply(xcb_get_window_attributes_reply(
        m_connection, xcb_get_window_attributes(m_connection, window), nullptr));
    return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
}

QRect XcbProbe::geometry(quint32 window)
{
    if (!m_connection)
        return {};
    const Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr));
    if (!geometry)
        return {};
    const Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
        m_connection, xcb_translate_coordinates(m_connection, window, m_root, 0, 0), nullptr));
    if (!origin)
        return {};
    return {origin->dst_x, origin->dst_y, geometry->width, geometry->height};
}

QList<quint32> XcbProbe::clients()
{
    return values(m_root, "_NET_CLIENT_LIST_STACKING");
}

quint32 XcbProbe::clientOfPid(qint64 pid)
{
    for (const quint32 window : clients()) {
        if (cardinal(window, "_NET_WM_PID") == quint32(pid))
            return window;
    }
    return 0;
}

QList<quint32> XcbProbe::desktopWindows()
{
    const quint32 wanted = atom("_NET_WM_WINDOW_TYPE_DESKTOP");
    QList<quint32> found;
    // The test process's own windows (a cover, say) are not what the test looks for.
    const auto self = quint32(::getpid());
    for (const quint32 window : clients()) {
        if (values(window, "_NET_WM_WINDOW_TYPE").contains(wanted) && isViewable(window) &&
            cardinal(window, "_NET_WM_PID") != self)
            found.append(window);
    }
    return found;
}

QImage XcbProbe::grabRoot()
{
    if (!m_connection)
        return {};
    const QRect area = geometry(m_root);
    const auto cookie = xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, 0, 0,
                                      uint16_t(area.width()), uint16_t(area.height()), ~0U);
    const Reply<xcb_get_image_reply_t> reply(xcb_get_image_reply(m_connection, cookie, nullptr));
    // A depth-24 TrueColor root comes as 32-bit little-endian pixels, which is RGB32.
    if (!reply || reply->depth != 24 ||
        xcb_get_image_data_length(reply.get()) != area.width() * area.height() * 4)
        return {};
    QImage image(area.size(), QImage::Format_RGB32);
    const auto* pixels = reinterpret_cast<const quint32*>(xcb_get_image_data(reply.get()));
    // The unused top byte comes as zero; RGB32 wants it opaque.
    for (int y = 0; y < area.height(); ++y) {
        auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < area.width(); ++x)
            line[x] = *pixels++ | 0xff000000u;
    }
    return image;
}

} // namespace tavlin
