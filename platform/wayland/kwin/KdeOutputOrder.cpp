#include "platform/wayland/kwin/KdeOutputOrder.h"

#include "kde-output-order-v1-client-protocol.h"

#include <cstring>
#include <utility>
#include <wayland-client.h>

namespace tavlin::KdeOutputOrder {

namespace {

struct Listing
{
    kde_output_order_v1* order = nullptr;
    QStringList pending;
    QStringList names;
    bool done = false;
};

void announce(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    auto* listing = static_cast<Listing*>(data);
    if (!listing->order && std::strcmp(interface, kde_output_order_v1_interface.name) == 0)
        listing->order = static_cast<kde_output_order_v1*>(
            wl_registry_bind(registry, name, &kde_output_order_v1_interface, 1));
}

void withdraw(void*, wl_registry*, uint32_t) {}

const wl_registry_listener registryListener{announce, withdraw};

void output(void* data, kde_output_order_v1*, const char* name)
{
    static_cast<Listing*>(data)->pending.append(QString::fromUtf8(name));
}

void done(void* data, kde_output_order_v1*)
{
    auto* listing = static_cast<Listing*>(data);
    listing->names = std::exchange(listing->pending, {});
    listing->done = true;
}

const kde_output_order_v1_listener orderListener{output, done};

} // namespace

QStringList current()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return {};
    Listing listing;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &listing);
    wl_display_roundtrip(display);
    if (listing.order) {
        kde_output_order_v1_add_listener(listing.order, &orderListener, &listing);
        // The compositor sends the whole list as soon as the interface is bound.
        wl_display_roundtrip(display);
        kde_output_order_v1_destroy(listing.order);
    }
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return listing.done ? listing.names : QStringList();
}

} // namespace tavlin::KdeOutputOrder
