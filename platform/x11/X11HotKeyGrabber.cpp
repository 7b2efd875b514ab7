#include "platform/x11/X11HotKeyGrabber.h"

#include "platform/x11/X11Connection.h"

#include <X11/keysym.h>
#include <cstdlib>
#include <utility>
#include <xcb/xcb_keysyms.h>

namespace tavlin {

namespace {

constexpr quint16 lockMask = XCB_MOD_MASK_LOCK;

// Linux input key codes become X key codes 8 higher on servers that use the kernel's codes
// (evdev, libinput, Xvfb, Xwayland).
constexpr int evdevOffset = 8;

// What the key types on a US layout, for servers with another key numbering.
xcb_keysym_t usKeysym(KeyPosition key)
{
    switch (key) {
    case KeyPosition::S:
        return XK_s;
    case KeyPosition::D:
        return XK_d;
    }
    return XCB_NO_SYMBOL;
}

struct KeySymbols
{
    explicit KeySymbols(xcb_connection_t* connection) : table(xcb_key_symbols_alloc(connection)) {}
    ~KeySymbols() { xcb_key_symbols_free(table); }
    KeySymbols(const KeySymbols&) = delete;
    KeySymbols& operator=(const KeySymbols&) = delete;

    // The first key that types `symbol`, or 0.
    quint8 firstKeycode(xcb_keysym_t symbol) const
    {
        xcb_keycode_t* codes = table ? xcb_key_symbols_get_keycode(table, symbol) : nullptr;
        const quint8 code = codes ? codes[0] : 0;
        std::free(codes);
        return code;
    }

    xcb_key_symbols_t* table;
};

// The modifier bit Num Lock sets, which differs between keyboard maps; 0 when it has none.
quint16 findNumLockMask(xcb_connection_t* connection)
{
    const KeySymbols symbols(connection);
    if (!symbols.table)
        return 0;
    xcb_keycode_t* numLockKeys = xcb_key_symbols_get_keycode(symbols.table, XK_Num_Lock);
    xcb_get_modifier_mapping_reply_t* mapping =
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr);
    quint16 mask = 0;
    if (numLockKeys && mapping) {
        // Eight rows, Shift to Mod5, of keycodes_per_modifier keys each; 0 fills a row.
        const xcb_keycode_t* keys = xcb_get_modifier_mapping_keycodes(mapping);
        const int count = xcb_get_modifier_mapping_keycodes_length(mapping);
        for (int i = 0; i < count; ++i) {
            for (const xcb_keycode_t* n = numLockKeys; keys[i] && *n; ++n) {
                if (*n == keys[i])
                    mask |= quint16(1 << (i / mapping->keycodes_per_modifier));
            }
        }
    }
    std::free(mapping);
    std::free(numLockKeys);
    return mask;
}

} // namespace

X11HotKeyGrabber::X11HotKeyGrabber(std::shared_ptr<X11Connection> connection, QObject* parent)
    : HotKeyGrabber(parent), m_connection(std::move(connection)),
      m_numLockMask(findNumLockMask(m_connection->xcb()))
{
    const xcb_window_t root = m_connection->root();
    m_connection->listen(this, [this, root](const xcb_generic_event_t& event) {
        const uint8_t type = event.response_type & 0x7f;
        if (type == XCB_MAPPING_NOTIFY) {
            const auto& mapping = reinterpret_cast<const xcb_mapping_notify_event_t&>(event);
            if (mapping.request != XCB_MAPPING_POINTER)
                regrab();
            return;
        }
        if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
            return;
        // While a grab is active every key event goes to the root; other events belong to
        // this program's own windows.
        const auto& key = reinterpret_cast<const xcb_key_press_event_t&>(event);
        if (key.event == root)
            handle({type == XCB_KEY_PRESS, key.detail, key.state, key.time});
    });
}

X11HotKeyGrabber::~X11HotKeyGrabber()
{
    const QList<quint16> lockStates = lockCombinations();
    for (const X11HotKey& hotKey : std::as_const(m_grabbed))
        ungrab(hotKey.keycode, hotKey.modifiers, lockStates);
    xcb_flush(m_connection->xcb());
}

HotKeyGrabber::Grant X11HotKeyGrabber::grab(quint32 id, const KeyChord& chord, const QString&)
{
    const quint8 keycode = keycodeOf(chord.key);
    const quint16 modifiers = HotKeyMatch::modifierMask(chord.modifiers);
    if (!keycode)
        return Grant::Refused;
    // The server lets a client grab a chord it holds again; a second registration would then
    // silently never fire, so it is refused like any other taken chord.
    for (const X11HotKey& hotKey : std::as_const(m_grabbed)) {
        if (hotKey.keycode == keycode && hotKey.modifiers == modifiers)
            return Grant::Refused;
    }
    if (!grabInEveryLockState(keycode, modifiers))
        return Grant::Refused;
    m_chords.append({id, chord, true});
    m_grabbed.append({id, keycode, modifiers});
    return Grant::Granted;
}

bool X11HotKeyGrabber::grabInEveryLockState(quint8 keycode, quint16 modifiers)
{
    xcb_connection_t* connection = m_connection->xcb();
    const QList<quint16> lockStates = lockCombinations();
    QList<xcb_void_cookie_t> cookies;
    for (const quint16 locked : lockStates) {
        cookies.append(xcb_grab_key_checked(connection, 0, m_connection->root(), modifiers | locked,
                                            keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    // BadAccess on any of them: another client holds the chord in that lock state. Keeping
    // the rest would make the chord work only sometimes and steal it from the other program.
    QList<quint16> taken;
    for (qsizetype i = 0; i < cookies.size(); ++i) {
        xcb_generic_error_t* error = xcb_request_check(connection, cookies[i]);
        if (!error)
            taken.append(lockStates[i]);
        std::free(error);
    }
    if (taken.size() != lockStates.size()) {
        ungrab(keycode, modifiers, taken);
        xcb_flush(connection);
        return false;
    }
    return true;
}

void X11HotKeyGrabber::regrab()
{
    const QList<quint16> oldLockStates = lockCombinations();
    for (const X11HotKey& hotKey : std::as_const(m_grabbed))
        ungrab(hotKey.keycode, hotKey.modifiers, oldLockStates);
    m_grabbed.clear();
    m_numLockMask = findNumLockMask(m_connection->xcb());
    // A chord whose key is gone, or held by another program where it now is, comes back with a
    // later map that has it free again.
    for (Granted& granted : m_chords) {
        const quint8 keycode = keycodeOf(granted.chord.key);
        const quint16 modifiers = HotKeyMatch::modifierMask(granted.chord.modifiers);
        const bool grabbed = keycode && grabInEveryLockState(keycode, modifiers);
        if (grabbed)
            m_grabbed.append({granted.id, keycode, modifiers});
        if (grabbed != std::exchange(granted.grabbed, grabbed))
            Q_EMIT answered(granted.id, grabbed);
    }
    xcb_flush(m_connection->xcb());
}

quint8 X11HotKeyGrabber::keycodeOf(KeyPosition key) const
{
    const xcb_setup_t* setup = xcb_get_setup(m_connection->xcb());
    const KeySymbols symbols(m_connection->xcb());
    const int code = int(key) + evdevOffset;
    if (code >= setup->min_keycode && code <= setup->max_keycode && symbols.table &&
        xcb_key_symbols_get_keysym(symbols.table, xcb_keycode_t(code), 0) != XCB_NO_SYMBOL)
        return quint8(code);
    return symbols.firstKeycode(usKeysym(key));
}

QList<quint16> X11HotKeyGrabber::lockCombinations() const
{
    if (!m_numLockMask || m_numLockMask == lockMask)
        return {0, lockMask};
    return {0, lockMask, m_numLockMask, quint16(lockMask | m_numLockMask)};
}

quint16 X11HotKeyGrabber::locks() const
{
    return lockMask | m_numLockMask;
}

void X11HotKeyGrabber::ungrab(quint8 keycode, quint16 modifiers, const QList<quint16>& lockStates)
{
    for (const quint16 locked : lockStates)
        xcb_ungrab_key(m_connection->xcb(), keycode, m_connection->root(), modifiers | locked);
}

void X11HotKeyGrabber::handle(const X11KeyEvent& event)
{
    const std::optional<quint32> id = HotKeyMatch::firingId(m_grabbed, event, m_previous, locks());
    m_previous = event;
    if (id)
        Q_EMIT pressed(*id);
}

} // namespace tavlin
