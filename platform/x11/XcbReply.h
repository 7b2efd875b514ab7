#pragma once

#include <QList>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace tavlin {

struct XcbFree
{
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T> using XcbReply = std::unique_ptr<T, XcbFree>;

// The reply to one request; an error (the window is gone) reads as no reply.
template <typename Cookie, typename T>
XcbReply<T> takeReply(xcb_connection_t* c, Cookie cookie,
                      T* (*reply)(xcb_connection_t*, Cookie, xcb_generic_error_t**))
{
    xcb_generic_error_t* error = nullptr;
    XcbReply<T> result(reply(c, cookie, &error));
    std::free(error);
    return result;
}

// The items of a property of 32-bit values; empty when absent or of another format.
inline QList<quint32> values32(const xcb_get_property_reply_t* reply)
{
    QList<quint32> values;
    if (!reply || reply->format != 32)
        return values;
    const auto* data = static_cast<const quint32*>(xcb_get_property_value(reply));
    const int count = xcb_get_property_value_length(reply) / 4;
    values.reserve(count);
    for (int i = 0; i < count; ++i)
        values.append(data[i]);
    return values;
}

} // namespace tavlin
