#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <optional>

struct xcb_connection_t;

namespace tavlin {

// A connection of the test's own to the X server, to read what the window manager, the
// compositor and the desktop have published, independently of the toolkit under test.
class XcbProbe
{
public:
    explicit XcbProbe(const QByteArray& display);
    ~XcbProbe();
    XcbProbe(const XcbProbe&) = delete;
    XcbProbe& operator=(const XcbProbe&) = delete;

    bool isConnected() const { return m_connection != nullptr; }
    quint32 root() const { return m_root; }
    quint32 atom(const char* name);

    // The 32-bit items of a property (windows, atoms, cardinals), whatever its type.
    QList<quint32> values(quint32 window, const char* property);
    std::optional<quint32> cardinal(quint32 window, const char* property);
    quint32 selectionOwner(const char* selection);

    bool isViewable(quint32 window);
    // Outer geometry in root coordinates; empty when the window is gone.
    QRect geometry(quint32 window);

    // The managed clients, bottom to top.
    QList<quint32> clients();
    quint32 clientOfPid(qint64 pid);
    // The viewable clients of another process that declare themselves desktop windows.
    QList<quint32> desktopWindows();

    // The root window's pixels, which under a compositor are what it painted.
    QImage grabRoot();

private:
    xcb_connection_t* m_connection = nullptr;
    quint32 m_root = 0;
};

} // namespace tavlin
