#pragma once

#include <QAbstractNativeEventFilter>
#include <QList>
#include <QObject>
#include <array>
#include <functional>
#include <memory>
#include <xcb/xcb.h>

namespace tavlin {

// The xcb connection Qt already holds, the atoms the program uses (interned once, in one round
// trip), and the X events it listens to, handed out to whoever asked for them.
class X11Connection : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    enum Atom {
        NetActiveWindow,
        NetClientList,
        NetClientListStacking,
        NetCurrentDesktop,
        NetFrameExtents,
        NetRestackWindow,
        NetWmDesktop,
        NetWmIcon,
        NetWmPid,
        NetWmState,
        NetWmStateHidden,
        NetWmStateSkipPager,
        NetWmStateSkipTaskbar,
        NetWmWindowOpacity,
        NetWmWindowType,
        NetWmWindowTypeDesktop,
        NetWmWindowTypeDialog,
        NetWmWindowTypeDock,
        NetWmWindowTypeMenu,
        NetWmWindowTypeNormal,
        NetWmWindowTypeSplash,
        NetWmWindowTypeToolbar,
        NetWmWindowTypeUtility,
        GtkApplicationId,
        GtkFrameExtents,
        KdeNetWmDesktopFile,
        NetWmCmS0,
        XRootPmapId,
        EsetrootPmapId,
        AtomCount
    };

    // nullptr unless the application runs on X11.
    static std::shared_ptr<X11Connection> create();
    ~X11Connection() override;

    xcb_connection_t* xcb() const { return m_connection; }
    xcb_window_t root() const { return m_root; }
    xcb_atom_t atom(Atom atom) const { return m_atoms[atom]; }

    // The first event number of the XFixes extension, or -1 without it.
    int xfixesFirstEvent() const { return m_xfixesFirstEvent; }

    // Calls `handler` for every X event until `owner` is destroyed.
    using Handler = std::function<void(const xcb_generic_event_t&)>;
    void listen(QObject* owner, Handler handler);

    // Reads a property of 32-bit items (windows, atoms, cardinals); empty when absent.
    QList<quint32> property32(xcb_window_t window, Atom name, xcb_atom_t type) const;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    X11Connection(xcb_connection_t* connection, xcb_window_t root);

    struct Listener
    {
        QObject* owner;
        Handler handler;
    };

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    std::array<xcb_atom_t, AtomCount> m_atoms{};
    int m_xfixesFirstEvent = -1;
    QList<Listener> m_listeners;
};

} // namespace tavlin
