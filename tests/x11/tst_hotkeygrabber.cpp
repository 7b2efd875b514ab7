// Global key grabs on a real X server, pressed with xdotool, against another client that may
// hold a chord first.
#include "menu/HotKeyChords.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11HotKeyGrabber.h"
#include "tests/x11/X11TestMain.h"

#include <QSignalSpy>
#include <cstdlib>

using namespace tavlin;

namespace {

using Ids = QList<quint32>;

constexpr quint8 keyS = 39;
constexpr HotKeyGrabber::Grant granted = HotKeyGrabber::Grant::Granted;
constexpr quint16 controlAltSuper = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

// Another program on the same display, holding key grabs of its own.
class OtherClient
{
public:
    explicit OtherClient(const QByteArray& display)
        : m_connection(xcb_connect(display.constData(), nullptr))
    {
    }
    ~OtherClient() { xcb_disconnect(m_connection); }
    OtherClient(const OtherClient&) = delete;
    OtherClient& operator=(const OtherClient&) = delete;

    bool grab(quint8 keycode, quint16 modifiers)
    {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        xcb_generic_error_t* error = xcb_request_check(
            m_connection, xcb_grab_key_checked(m_connection, 0, root, modifiers, keycode,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::free(error);
        return !error;
    }

private:
    xcb_connection_t* m_connection;
};

} // namespace

class TestHotKeyGrabber : public QObject
{
    Q_OBJECT

private:
    X11Session& session() { return *X11Session::current(); }

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

    std::unique_ptr<X11HotKeyGrabber> m_grabber;
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
    void init() { m_grabber = std::make_unique<X11HotKeyGrabber>(X11Connection::create()); }
    void cleanup() { m_grabber.reset(); }

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
        OtherClient other(session().display());
        QVERIFY(other.grab(keyS, controlAltSuper | XCB_MOD_MASK_LOCK));

        QCOMPARE(m_grabber->grab(1, HotKeyChords::cover, {}), granted);
        QCOMPARE(m_grabber->grab(2, HotKeyChords::spotlight, {}), HotKeyGrabber::Grant::Refused);
        // What was taken before the refusal was given back.
        QVERIFY(other.grab(keyS, controlAltSuper));
        QCOMPARE(press({QStringLiteral("key"), spotlight, cover}, 1), Ids{1});
    }

    void destroyedGrabberGivesTheChordsBack()
    {
        QCOMPARE(m_grabber->grab(2, HotKeyChords::spotlight, {}), granted);
        m_grabber.reset();
        OtherClient other(session().display());
        QVERIFY(other.grab(keyS, controlAltSuper));
    }
};

TAVLIN_X11_TEST_MAIN(TestHotKeyGrabber, {})
#include "tst_hotkeygrabber.moc"
