// Clicks and keys for the KWin tests through KWin's fake-input protocol (KWin must allow it,
// e.g. KWIN_WAYLAND_NO_PERMISSION_CHECKS=1). Without arguments it keeps a fake pointer until
// killed: KWin gives the seat a pointer only while one exists, and clients started without it
// never learn of one. "X Y" clicks the left button at X,Y (global, logical); "press|release
// KEY..." presses or releases the Linux key codes in this order, pressed keys staying down.

#include "fake-input-client-protocol.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <wayland-client.h>

namespace {

org_kde_kwin_fake_input* fakeInput = nullptr;
uint32_t fakeVersion = 0;
constexpr uint32_t leftButton = 0x110; // BTN_LEFT

void bindGlobal(void*, wl_registry* registry, uint32_t name, const char* interface,
                uint32_t version)
{
    if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 3) {
        fakeVersion = version < 4 ? version : 4; // keys came with 4
        fakeInput = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, fakeVersion));
    }
}

const wl_registry_listener registryListener{bindGlobal, [](void*, wl_registry*, uint32_t) {}};

} // namespace

int main(int argc, char** argv)
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "no Wayland display\n");
        return 1;
    }
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, nullptr);
    wl_display_roundtrip(display);
    if (!fakeInput) {
        std::fprintf(stderr, "the compositor offers no fake input\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(fakeInput, "tavlin tests", "clicks in tests");
    const bool press = argc > 2 && std::strcmp(argv[1], "press") == 0;
    if (argc == 1) {
        std::printf("pointer ready\n");
        std::fflush(stdout);
        while (wl_display_dispatch(display) >= 0) {
        }
        return 0;
    }
    if (press || (argc > 2 && std::strcmp(argv[1], "release") == 0)) {
        if (fakeVersion < 4) {
            std::fprintf(stderr, "the compositor's fake input has no keys\n");
            return 1;
        }
        for (int i = 2; i < argc; ++i)
            org_kde_kwin_fake_input_keyboard_key(fakeInput, uint32_t(std::atoi(argv[i])), press);
    } else {
        org_kde_kwin_fake_input_pointer_motion_absolute(
            fakeInput, wl_fixed_from_double(std::atof(argv[1])),
            wl_fixed_from_double(std::atof(argv[argc - 1])));
        wl_display_roundtrip(display);
        org_kde_kwin_fake_input_button(fakeInput, leftButton, 1);
        wl_display_roundtrip(display);
        org_kde_kwin_fake_input_button(fakeInput, leftButton, 0);
    }
    const bool ok = wl_display_roundtrip(display) >= 0;
    wl_display_disconnect(display);
    return ok ? 0 : 1;
}
