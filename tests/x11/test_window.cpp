// A plain client window for the X11 tests: one solid colour at an exact place, undecorated,
// optionally translucent. Lives until its connection closes or it is killed.
//
//   tavlin_test_window WxH+X+Y #rrggbb [opacity] [title]

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

xcb_atom_t intern(xcb_connection_t* connection, const char* name)
{
    const auto cookie = xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

void setCardinals(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property,
                  xcb_atom_t type, const uint32_t* data, uint32_t count)
{
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, property, type, 32, count, data);
}

void setText(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property,
             xcb_atom_t type, const std::string& text)
{
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, property, type, 8,
                        uint32_t(text.size()), text.data());
}

} // namespace

int main(int argc, char** argv)
{
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;
    unsigned colour = 0;
    if (argc < 3 || std::sscanf(argv[1], "%dx%d+%d+%d", &width, &height, &x, &y) != 4 ||
        std::sscanf(argv[2], "#%x", &colour) != 1 || width <= 0 || height <= 0) {
        std::fprintf(stderr, "usage: %s WxH+X+Y #rrggbb [opacity] [title]\n", argv[0]);
        return 2;
    }
    const double opacity = argc > 3 ? std::atof(argv[3]) : 1.0;
    const std::string title = argc > 4 ? argv[4] : "tavlin test window";

    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection))
        return 1;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t window = xcb_generate_id(connection);
    // The server fills the window with its background pixel: nothing to draw ourselves.
    const std::array<uint32_t, 2> attributes{colour, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, int16_t(x),
                      int16_t(y), uint16_t(width), uint16_t(height), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, attributes.data());

    // User-given position and size, so the window manager keeps them.
    std::array<uint32_t, 18> sizeHints{};
    sizeHints[0] = 1 | 2 | 4 | 8;
    sizeHints[1] = uint32_t(x);
    sizeHints[2] = uint32_t(y);
    sizeHints[3] = uint32_t(width);
    sizeHints[4] = uint32_t(height);
    setCardinals(connection, window, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS,
                 sizeHints.data(), uint32_t(sizeHints.size()));
    // Motif hints: decorations given, and none of them.
    const std::array<uint32_t, 5> motif{2, 0, 0, 0, 0};
    const xcb_atom_t motifAtom = intern(connection, "_MOTIF_WM_HINTS");
    setCardinals(connection, window, motifAtom, motifAtom, motif.data(), 5);

    const uint32_t pid = uint32_t(::getpid());
    setCardinals(connection, window, intern(connection, "_NET_WM_PID"), XCB_ATOM_CARDINAL, &pid, 1);
    std::array<char, 256> host{};
    ::gethostname(host.data(), host.size() - 1);
    setText(connection, window, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING, host.data());
    setText(connection, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, title);
    setText(connection, window, intern(connection, "_NET_WM_NAME"),
            intern(connection, "UTF8_STRING"), title);
    const std::string windowClass = std::string("tavlin-test-window") + '\0' + "TavlinTestWindow";
    setText(connection, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, windowClass + '\0');
    if (opacity < 1.0) {
        const uint32_t value = uint32_t(opacity * 0xffffffffu);
        setCardinals(connection, window, intern(connection, "_NET_WM_WINDOW_OPACITY"),
                     XCB_ATOM_CARDINAL, &value, 1);
    }

    xcb_map_window(connection, window);
    xcb_flush(connection);
    while (xcb_generic_event_t* event = xcb_wait_for_event(connection))
        std::free(event);
    xcb_disconnect(connection);
    return 0;
}
