// A plain client window for the X11 tests: one solid colour at an exact place, undecorated,
// optionally translucent. Lives until its connection closes or it is killed.
//
//   tavlin_test_window WxH+X+Y #rrggbb [opacity] [title] [options]
//
//   --class=NAME          its WM_CLASS class
//   --type=TYPE           _NET_WM_WINDOW_TYPE_<TYPE> ("DOCK", "DIALOG" ...)
//   --icon                a small _NET_WM_ICON
//   --windows=N           N alike windows, each 20 pixels further down and right
//   --drag=DX,DY,FRAMES   on each SIGUSR1, moves its first window by DX,DY sixty times a second
//                         for FRAMES frames, as a user dragging it would; each drag goes back
//                         the way the one before came

#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

namespace {

struct Options
{
    std::vector<std::string> positional;
    std::string windowClass = "TavlinTestWindow";
    std::string type;
    bool icon = false;
    int windows = 1;
    int dragX = 0, dragY = 0, dragFrames = 0;
};

class Window
{
public:
    Window(xcb_connection_t* connection, xcb_window_t window)
        : m_connection(connection), m_window(window)
    {
    }

    xcb_atom_t atom(const char* name) const
    {
        const auto cookie = xcb_intern_atom(m_connection, 0, uint16_t(std::strlen(name)), name);
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(m_connection, cookie, nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return atom;
    }

    void set(xcb_atom_t property, xcb_atom_t type, const uint32_t* data, size_t count) const
    {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_window, property, type, 32,
                            uint32_t(count), data);
    }

    void set(xcb_atom_t property, xcb_atom_t type, const std::string& text) const
    {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_window, property, type, 8,
                            uint32_t(text.size()), text.data());
    }

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_window;
};

Options parse(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.starts_with("--class="))
            options.windowClass = arg.substr(8);
        else if (arg.starts_with("--type="))
            options.type = arg.substr(7);
        else if (arg.starts_with("--windows="))
            options.windows = std::atoi(arg.c_str() + 10);
        else if (arg.starts_with("--drag="))
            std::sscanf(arg.c_str() + 7, "%d,%d,%d", &options.dragX, &options.dragY,
                        &options.dragFrames);
        else if (arg == "--icon")
            options.icon = true;
        else
            options.positional.push_back(arg);
    }
    return options;
}

xcb_window_t openWindow(xcb_connection_t* connection, const Options& options, int x, int y,
                        int width, int height, unsigned colour, double opacity,
                        const std::string& title)
{
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t id = xcb_generate_id(connection);
    // The server fills the window with its background pixel: nothing to draw ourselves.
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, id, screen->root, int16_t(x), int16_t(y),
                      uint16_t(width), uint16_t(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, XCB_CW_BACK_PIXEL, &colour);
    const Window window(connection, id);

    // User-given position and size, so the window manager keeps them.
    std::array<uint32_t, 18> sizeHints{1 | 2 | 4 | 8, uint32_t(x), uint32_t(y), uint32_t(width),
                                       uint32_t(height)};
    window.set(XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, sizeHints.data(),
               sizeHints.size());
    // Motif hints: decorations given, and none of them.
    const std::array<uint32_t, 5> motif{2, 0, 0, 0, 0};
    window.set(window.atom("_MOTIF_WM_HINTS"), window.atom("_MOTIF_WM_HINTS"), motif.data(), 5);

    const uint32_t pid = uint32_t(::getpid());
    window.set(window.atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, &pid, 1);
    std::array<char, 256> host{};
    ::gethostname(host.data(), host.size() - 1);
    window.set(XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING, host.data());
    window.set(XCB_ATOM_WM_NAME, XCB_ATOM_STRING, title);
    window.set(XCB_ATOM_WM_CLASS, XCB_ATOM_STRING,
               "tavlin-test-window" + std::string(1, '\0') + options.windowClass + '\0');
    if (opacity < 1.0) {
        const uint32_t value = uint32_t(opacity * 0xffffffffu);
        window.set(window.atom("_NET_WM_WINDOW_OPACITY"), XCB_ATOM_CARDINAL, &value, 1);
    }
    if (!options.type.empty()) {
        const xcb_atom_t type = window.atom(("_NET_WM_WINDOW_TYPE_" + options.type).c_str());
        window.set(window.atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, &type, 1);
    }
    if (options.icon) {
        // 16 × 16 opaque orange.
        std::vector<uint32_t> icon(2 + 16 * 16, 0xffff8000);
        icon[0] = 16;
        icon[1] = 16;
        window.set(window.atom("_NET_WM_ICON"), XCB_ATOM_CARDINAL, icon.data(), icon.size());
    }
    xcb_map_window(connection, id);
    return id;
}

// Moves the window the way the window manager lets a client move itself: by asking it, once
// every 1/60 s on an absolute schedule.
void drag(xcb_connection_t* connection, xcb_window_t window, int& x, int& y, int dx, int dy,
          int frames)
{
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (int frame = 0; frame < frames; ++frame) {
        x += dx;
        y += dy;
        const std::array<uint32_t, 2> place{uint32_t(x), uint32_t(y)};
        xcb_configure_window(connection, window, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y,
                             place.data());
        xcb_flush(connection);
        next.tv_nsec += 16666667;
        if (next.tv_nsec >= 1000000000) {
            next.tv_nsec -= 1000000000;
            ++next.tv_sec;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const Options options = parse(argc, argv);
    const std::vector<std::string>& args = options.positional;
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;
    unsigned colour = 0;
    if (args.size() < 2 ||
        std::sscanf(args[0].c_str(), "%dx%d+%d+%d", &width, &height, &x, &y) != 4 ||
        std::sscanf(args[1].c_str(), "#%x", &colour) != 1 || width <= 0 || height <= 0) {
        std::fprintf(stderr, "usage: %s WxH+X+Y #rrggbb [opacity] [options]\n", argv[0]);
        return 2;
    }
    const double opacity = args.size() > 2 ? std::atof(args[2].c_str()) : 1.0;
    const std::string title = args.size() > 3 ? args[3] : "tavlin test window";

    // Blocked before anything else, so a drag asked for early waits rather than kills.
    sigset_t dragSignal;
    sigemptyset(&dragSignal);
    sigaddset(&dragSignal, SIGUSR1);
    sigprocmask(SIG_BLOCK, &dragSignal, nullptr);

    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection))
        return 1;
    const xcb_window_t first =
        openWindow(connection, options, x, y, width, height, colour, opacity, title);
    for (int i = 1; i < options.windows; ++i)
        openWindow(connection, options, x + 20 * i, y + 20 * i, width, height, colour, opacity,
                   title);
    xcb_flush(connection);
    for (int direction = 1; options.dragFrames > 0; direction = -direction) {
        int signal = 0;
        sigwait(&dragSignal, &signal);
        drag(connection, first, x, y, direction * options.dragX, direction * options.dragY,
             options.dragFrames);
    }
    while (xcb_generic_event_t* event = xcb_wait_for_event(connection))
        std::free(event);
    xcb_disconnect(connection);
    return 0;
}
