// A plain Wayland client for the tests: a window of one solid colour with a known app id, which
// says on stdout when a pointer button is pressed in it. Lives until the compositor goes or it
// is killed.
//
//   tavlin_test_wayland_window WxH #rrggbb [options]
//
//   --app-id=ID        the window's app id (tavlin-test-window when not given)
//   --pressed=#rrggbb  the colour it turns once pressed
//
//   tavlin_test_wayland_window --pointer
//
// gives the seat a virtual pointer (a headless compositor has none, and without one no client
// is sent a click), then waits.

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

namespace {

struct Globals
{
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    xdg_wm_base* wmBase = nullptr;
    wl_seat* seat = nullptr;
    zwlr_virtual_pointer_manager_v1* pointers = nullptr;
};

struct Window
{
    wl_surface* surface = nullptr;
    int width = 0;
    int height = 0;
    unsigned colour = 0;
};

Globals globals;
Window window;
wl_pointer* pointer = nullptr;
bool underPointer = false;
unsigned pressedColour = 0;
bool hasPressedColour = false;

void bindGlobal(void*, wl_registry* registry, uint32_t name, const char* interface,
                uint32_t version)
{
    const auto is = [interface](const wl_interface& wanted) {
        return std::strcmp(interface, wanted.name) == 0;
    };
    if (is(wl_compositor_interface))
        globals.compositor = static_cast<wl_compositor*>(
            wl_registry_bind(registry, name, &wl_compositor_interface, 4));
    else if (is(wl_shm_interface))
        globals.shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    else if (is(xdg_wm_base_interface))
        globals.wmBase =
            static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
    else if (is(wl_seat_interface))
        globals.seat = static_cast<wl_seat*>(
            wl_registry_bind(registry, name, &wl_seat_interface, version < 5 ? version : 5));
    else if (is(zwlr_virtual_pointer_manager_v1_interface))
        globals.pointers = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}

const wl_registry_listener registryListener{bindGlobal, [](void*, wl_registry*, uint32_t) {}};

void releaseBuffer(void*, wl_buffer* buffer)
{
    wl_buffer_destroy(buffer);
}
const wl_buffer_listener bufferListener{releaseBuffer};

// A new buffer of the window's colour for every frame: the window changes rarely.
void draw()
{
    const int stride = window.width * 4;
    const size_t size = size_t(stride) * size_t(window.height);
    const int fd = memfd_create("tavlin-test-window", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, off_t(size)) != 0)
        std::exit(1);
    void* data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (data == MAP_FAILED)
        std::exit(1);
    auto* pixels = static_cast<uint32_t*>(data);
    for (size_t i = 0; i < size / 4; ++i)
        pixels[i] = 0xff000000u | window.colour;
    munmap(data, size);
    wl_shm_pool* pool = wl_shm_create_pool(globals.shm, fd, int32_t(size));
    wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, window.width, window.height, stride,
                                                  WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    wl_buffer_add_listener(buffer, &bufferListener, nullptr);
    wl_surface_attach(window.surface, buffer, 0, 0);
    wl_surface_damage(window.surface, 0, 0, window.width, window.height);
    wl_surface_commit(window.surface);
}

void configureSurface(void*, xdg_surface* surface, uint32_t serial)
{
    xdg_surface_ack_configure(surface, serial);
    draw();
}
const xdg_surface_listener surfaceListener{configureSurface};

void configureToplevel(void*, xdg_toplevel*, int32_t width, int32_t height, wl_array*)
{
    // Zero: ours to choose. A tiling layout decides for us otherwise.
    if (width > 0 && height > 0) {
        window.width = width;
        window.height = height;
    }
}
const xdg_toplevel_listener toplevelListener{
    configureToplevel, [](void*, xdg_toplevel*) { std::exit(0); },
    [](void*, xdg_toplevel*, int32_t, int32_t) {}, [](void*, xdg_toplevel*, wl_array*) {}};

const xdg_wm_base_listener wmBaseListener{
    [](void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); }};

void pointerButton(void*, wl_pointer*, uint32_t, uint32_t, uint32_t button, uint32_t state)
{
    if (state != WL_POINTER_BUTTON_STATE_PRESSED || !underPointer)
        return;
    std::printf("pressed %u\n", button);
    std::fflush(stdout);
    if (hasPressedColour) {
        window.colour = pressedColour;
        draw();
    }
}

const wl_pointer_listener pointerListener{
    [](void*, wl_pointer*, uint32_t, wl_surface* surface, wl_fixed_t, wl_fixed_t) {
        underPointer = surface == window.surface;
    },
    [](void*, wl_pointer*, uint32_t, wl_surface*) { underPointer = false; },
    [](void*, wl_pointer*, uint32_t, wl_fixed_t, wl_fixed_t) {},
    pointerButton,
    [](void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {},
    [](void*, wl_pointer*) {},
    [](void*, wl_pointer*, uint32_t) {},
    [](void*, wl_pointer*, uint32_t, uint32_t) {},
    [](void*, wl_pointer*, uint32_t, int32_t) {},
    [](void*, wl_pointer*, uint32_t, int32_t) {}};

// The virtual pointer comes once; it never goes while the session lasts.
void seatCapabilities(void*, wl_seat* seat, uint32_t capabilities)
{
    if ((capabilities & WL_SEAT_CAPABILITY_POINTER) && !pointer) {
        pointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(pointer, &pointerListener, nullptr);
    }
}
const wl_seat_listener seatListener{seatCapabilities, [](void*, wl_seat*, const char*) {}};

// What follows "--name=" in `arg`, or nullptr when it is another argument.
const char* valueOf(const char* arg, const char* name)
{
    const size_t length = std::strlen(name);
    return std::strncmp(arg, name, length) == 0 ? arg + length : nullptr;
}

int usage(const char* program)
{
    std::fprintf(stderr, "usage: %s WxH #rrggbb [--app-id=ID] [--pressed=#rrggbb] | --pointer\n",
                 program);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    const char* positional[2] = {};
    int positionals = 0;
    const char* appId = "tavlin-test-window";
    bool virtualPointer = false;
    for (int i = 1; i < argc; ++i) {
        if (const char* id = valueOf(argv[i], "--app-id="))
            appId = id;
        else if (const char* colour = valueOf(argv[i], "--pressed="))
            hasPressedColour = std::sscanf(colour, "#%x", &pressedColour) == 1;
        else if (std::strcmp(argv[i], "--pointer") == 0)
            virtualPointer = true;
        else if (positionals < 2)
            positional[positionals++] = argv[i];
        else
            return usage(argv[0]);
    }

    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return 1;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, nullptr);
    wl_display_roundtrip(display);

    if (virtualPointer) {
        if (!globals.pointers) {
            std::fprintf(stderr, "the compositor offers no virtual pointers\n");
            return 1;
        }
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(globals.pointers, globals.seat);
        wl_display_roundtrip(display);
        std::printf("pointer ready\n");
        std::fflush(stdout);
        while (wl_display_dispatch(display) != -1) {
        }
        return 0;
    }

    int width = 0;
    int height = 0;
    unsigned colour = 0;
    if (positionals != 2 || std::sscanf(positional[0], "%dx%d", &width, &height) != 2 ||
        std::sscanf(positional[1], "#%x", &colour) != 1 || width <= 0 || height <= 0)
        return usage(argv[0]);
    if (!globals.compositor || !globals.shm || !globals.wmBase) {
        std::fprintf(stderr, "the compositor lacks wl_compositor, wl_shm or xdg_wm_base\n");
        return 1;
    }
    xdg_wm_base_add_listener(globals.wmBase, &wmBaseListener, nullptr);
    if (globals.seat)
        wl_seat_add_listener(globals.seat, &seatListener, nullptr);

    window.width = width;
    window.height = height;
    window.colour = colour & 0xffffffu;
    window.surface = wl_compositor_create_surface(globals.compositor);
    xdg_surface* surface = xdg_wm_base_get_xdg_surface(globals.wmBase, window.surface);
    xdg_surface_add_listener(surface, &surfaceListener, nullptr);
    xdg_toplevel* toplevel = xdg_surface_get_toplevel(surface);
    xdg_toplevel_add_listener(toplevel, &toplevelListener, nullptr);
    xdg_toplevel_set_app_id(toplevel, appId);
    xdg_toplevel_set_title(toplevel, "tavlin test window");
    wl_surface_commit(window.surface);
    while (wl_display_dispatch(display) != -1) {
    }
    return 0;
}
