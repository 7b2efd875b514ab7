// A plain Wayland client for the tests: an undecorated window of one solid colour with a known
// app id, which says on stdout when a pointer button is pressed in it.
//
//   tavlin_test_wayland_window WxH #rrggbb [--app-id=ID] [--pressed=#rrggbb]
//   tavlin_test_wayland_window --pointer
//
// The second gives the seat a virtual pointer (a headless sway has none, and without one no
// client is sent a click), then waits.

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <cstdio>
#include <cstring>
#include <wayland-client.h>

namespace {

class SolidWindow : public QRasterWindow
{
public:
    QColor color;
    QColor pressedColor;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter(this).fillRect(0, 0, width(), height(), color);
    }
    void mousePressEvent(QMouseEvent*) override
    {
        std::printf("pressed\n");
        std::fflush(stdout);
        if (pressedColor.isValid()) {
            color = pressedColor;
            update();
        }
    }
};

wl_seat* seat = nullptr;
zwlr_virtual_pointer_manager_v1* pointers = nullptr;

void bindGlobal(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    if (std::strcmp(interface, wl_seat_interface.name) == 0)
        seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        pointers = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}

const wl_registry_listener registryListener{bindGlobal, [](void*, wl_registry*, uint32_t) {}};

int keepVirtualPointer()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return 1;
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, nullptr);
    wl_display_roundtrip(display);
    if (!seat || !pointers) {
        std::fprintf(stderr, "the compositor offers no virtual pointers\n");
        return 1;
    }
    zwlr_virtual_pointer_manager_v1_create_virtual_pointer(pointers, seat);
    wl_display_roundtrip(display);
    std::printf("pointer ready\n");
    std::fflush(stdout);
    while (wl_display_dispatch(display) != -1) {
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--pointer") == 0)
        return keepVirtualPointer();
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption appId(QStringLiteral("app-id"), QStringLiteral("its app id"),
                                   QStringLiteral("id"), QStringLiteral("tavlin-test-window"));
    const QCommandLineOption pressed(QStringLiteral("pressed"),
                                     QStringLiteral("its colour once pressed"),
                                     QStringLiteral("color"));
    parser.addOptions({appId, pressed});
    parser.process(app);
    const QStringList args = parser.positionalArguments();
    const QStringList size = args.value(0).split(u'x');
    SolidWindow window;
    window.color = QColor(args.value(1));
    window.pressedColor = QColor(parser.value(pressed));
    if (args.size() != 2 || size.size() != 2 || !window.color.isValid())
        parser.showHelp(2);
    // Qt names the window's app id after the desktop file.
    QGuiApplication::setDesktopFileName(parser.value(appId));
    window.setFlag(Qt::FramelessWindowHint);
    window.resize(size[0].toInt(), size[1].toInt());
    window.show();
    return app.exec();
}
