// Global key grabs on a real X server, pressed with xdotool, against another client that may
// hold a chord first.
#include "menu/HotKeyChords.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11HotKeyGrabber.h"
#include "tests/x11/X11TestMain.h"

#include <QSignalSpy>
#include <cstdlib>
#include <utility>

using namespace tavlin;

namespace {

using Ids = QList<quint32>;

constexpr quint8 keyS = 39;
constexpr quint8 keyD = 40;
constexpr HotKeyGrabber::Grant granted = HotKeyGrabber::Grant::Granted;
constexpr quint16 controlAltSuper = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

// Another program on the same display, holding key grabs of its own while it is connected.
using OtherClient = std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)>;

OtherClient otherClient()
{
    return {xcb_connect(session().display().constData(), nullptr), &xcb_disconnect};
}

bool grab(const OtherClient& other, quint8 keycode, quint16 modifiers)
{
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other.get())).data->root;
    xcb_generic_error_t* error = xcb_request_check(
        other.get(), xcb_grab_key_checked(other.get(), 0, root, modifiers, keycode,
                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    std::free(error);
    return !error;
}

} // namespace

class TestHotKeyGrabber : public QObject
{
    Q_OBJECT

private:
    // Runs xdotool with `commands`; what fired, once `last` did.
    Ids press(const QStringList& commands, quint32 last)
    {
        QSignalSpy pressed(m_grabber.get(), &HotKeyGrabber::pressed);
        if (!session().run(QStringLiteral("xdotool"), commands))
            return {};
        X11Session::waitFor([&] {
            return std::any_of(pressed.cbegin(), pressed.cend(),
                               [&](const QList<QVariant>& args) { return args[0] == last; });
        });
        Ids ids;
        for (const QList<QVariant>& args : std::as_const(pressed))
            ids.append(args[0].value<quint32>());
        return ids;
    }

    // Changes the keyboard map with one xmodmap expression; true once this program has seen the
    // change, and so has the grabber, which listened first.
    bool remap(const QString& expression)
    {
        bool seen = false;
        QObject watcher;
        m_x11->listen(&watcher, [&seen](const xcb_generic_event_t& event) {
            seen = seen || (event.response_type & 0x7f) == XCB_MAPPING_NOTIFY;
        });
        return session().run(QStringLiteral("xmodmap"), {QStringLiteral("-e"), expression}) &&
               X11Session::waitFor([&seen] { return seen; });
    }

    std::shared_ptr<X11Connection> m_x11 = X11Connection::create();
    std::unique_ptr<X11HotKeyGrabber> m_grabber;
    QStringList m_restoreMap; // xmodmap expressions that undo a test's changes
    const QString cover = QStringLiteral("ctrl+alt+super+d");
    const QString spotlight = QStringLiteral("ctrl+alt+super+s");

private Q_SLOTS:
    void initTestCase()
    {
        // Held keys repeat after 100 ms, then every 20 ms.
        QVERIFY(
            session().run(QStringLiteral("xset"), {QStringLiteral("r"), QStringLiteral("rate"),
                                                   QStringLiteral("100"), QStringLiteral("50")}));
    }
    void init() { m_grabber = std::make_unique<X11HotKeyGrabber>(m_x11); }
    void cleanup()
    {
        m_grabber.reset();
        for (const QString& expression : std::exchange(m_restoreMap, {}))
            QVERIFY(remap(expression));
    }

    void firesOncePerPressOfTheExactChord_data()
    {
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<Ids>("fired");

        const QString key = QStringLiteral("key");
        QTest::newRow("the chord") << QStringList{key, cover} << Ids{1};
        QTest::newRow("Ctrl+Alt+D") << QStringList{key, QStringLiteral("ctrl+alt+d")} << Ids{};
        QTest::newRow("Ctrl+Alt+Super+Shift+D")
            << QStringList{key, QStringLiteral("ctrl+alt+super+shift+d")} << Ids{};
        QTest::newRow("with NumLock on")
            << QStringList{key, QStringLiteral("Num_Lock"), cover, QStringLiteral("Num_Lock")}
            << Ids{1};
        QTest::newRow("with CapsLock on")
            << QStringList{key, QStringLiteral("Caps_Lock"), cover, QStringLiteral("Caps_Lock")}
            << Ids{1};
        QTest::newRow("held while the key repeats")
            << QStringList{QStringLiteral("keydown"), cover,
                           QStringLiteral("sleep"),   QStringLiteral("0.5"),
                           QStringLiteral("keyup"),   cover}
            << Ids{1};
    }

    // The other chord comes last in every row: once it has fired, whatever the keys before it
    // were going to cause has arrived.
    void firesOncePerPressOfTheExactChord()
    {
        QFETCH(QStringList, commands);
        QFETCH(Ids, fired);
        QCOMPARE(m_grabber->grab(1, HotKeyChords::cover, {}), granted);
        QCOMPARE(m_grabber->grab(2, HotKeyChords::spotlight, {}), granted);
        QCOMPARE(press(commands + QStringList{QStringLiteral("key"), spotlight}, 2),
                 fired + Ids{2});
    }

    void chordHeldElsewhereIsRefused()
    {
        // Held with Caps Lock only: the grab fails on one lock state after others succeeded.
        const OtherClient other = otherClient();
        QVERIFY(grab(other, keyS, controlAltSuper | XCB_MOD_MASK_LOCK));

        QCOMPARE(m_grabber->grab(1, HotKeyChords::cover, {}), granted);
        QCOMPARE(m_grabber->grab(2, HotKeyChords::spotlight, {}), HotKeyGrabber::Grant::Refused);
        // What was taken before the refusal was given back.
        QVERIFY(grab(other, keyS, controlAltSuper));
        QCOMPARE(press({QStringLiteral("key"), spotlight, cover}, 1), Ids{1});
    }

    // A new keyboard map moves the chord's key (here, the key that typed D types nothing and D is
    // on F's key) or Num Lock's modifier: the chord follows, and its old key is given back.
    void followsANewKeyboardMap_data()
    {
        QTest::addColumn<QStringList>("change");
        QTest::addColumn<QStringList>("restore");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<bool>("keyDFreed");

        QTest::newRow("D on another key")
            << QStringList{QStringLiteral("keycode 40 ="), QStringLiteral("keycode 41 = d D")}
            << QStringList{QStringLiteral("keycode 41 = f F"), QStringLiteral("keycode 40 = d D")}
            << QStringList{QStringLiteral("key"), cover} << true;
        QTest::newRow("Num Lock on another modifier")
            << QStringList{QStringLiteral("clear mod2"), QStringLiteral("add mod3 = Num_Lock")}
            << QStringList{QStringLiteral("clear mod3"), QStringLiteral("add mod2 = Num_Lock")}
            << QStringList{QStringLiteral("key"), QStringLiteral("Num_Lock"), cover,
                           QStringLiteral("Num_Lock")}
            << false;
    }

    void followsANewKeyboardMap()
    {
        QFETCH(QStringList, change);
        QFETCH(QStringList, restore);
        QFETCH(QStringList, commands);
        QFETCH(bool, keyDFreed);
        QCOMPARE(m_grabber->grab(1, HotKeyChords::cover, {}), granted);
        QCOMPARE(m_grabber->grab(2, HotKeyChords::spotlight, {}), granted);
        m_restoreMap = restore;
        for (const QString& expression : std::as_const(change))
            QVERIFY(remap(expression));

        QCOMPARE(press(commands + QStringList{QStringLiteral("key"), spotlight}, 2), (Ids{1, 2}));
        QCOMPARE(grab(otherClient(), keyD, controlAltSuper), keyDFreed);
    }

    void destroyedGrabberGivesTheChordsBack()
    {
        QCOMPARE(m_grabber->grab(2, HotKeyChords::spotlight, {}), granted);
        m_grabber.reset();
        QVERIFY(grab(otherClient(), keyS, controlAltSuper));
    }
};

TAVLIN_X11_TEST_MAIN(TestHotKeyGrabber, {})
#include "tst_hotkeygrabber.moc"
