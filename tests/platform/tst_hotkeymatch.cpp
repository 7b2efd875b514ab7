#include "platform/linux/KGlobalAccelKeys.h"
#include "platform/x11/HotKeyMatch.h"

#include <QTest>

using namespace tavlin;

Q_DECLARE_METATYPE(X11KeyEvent)
Q_DECLARE_METATYPE(KeyChord)
Q_DECLARE_METATYPE(std::optional<qint64>)

namespace {

using Events = QList<X11KeyEvent>;
using Ids = QList<quint32>;

// Core modifier bits as the server reports them; Num Lock sits on Mod2 in this map.
constexpr quint16 shift = 0x01, capsLock = 0x02, control = 0x04, alt = 0x08, numLock = 0x10,
                  super = 0x40, button1 = 0x100, group2 = 0x2000;
constexpr quint16 chord = control | alt | super;
constexpr quint8 keyD = 40, keyS = 39, keyF = 41;

X11KeyEvent press(quint8 keycode, quint16 state, quint32 time = 1)
{
    return {true, keycode, state, time};
}

X11KeyEvent release(quint8 keycode, quint16 state, quint32 time = 1)
{
    return {false, keycode, state, time};
}

} // namespace

class TestHotKeyMatch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firingId_data()
    {
        QTest::addColumn<Events>("events");
        QTest::addColumn<Ids>("fired");

        QTest::newRow("the chord") << Events{press(keyD, chord)} << Ids{1};
        QTest::newRow("with NumLock") << Events{press(keyD, chord | numLock)} << Ids{1};
        QTest::newRow("with CapsLock") << Events{press(keyD, chord | capsLock)} << Ids{1};
        QTest::newRow("with both locks")
            << Events{press(keyD, chord | numLock | capsLock)} << Ids{1};
        QTest::newRow("keyboard group and mouse button ignored")
            << Events{press(keyD, chord | group2 | button1)} << Ids{1};
        QTest::newRow("Ctrl+Alt+D") << Events{press(keyD, control | alt)} << Ids{};
        QTest::newRow("Ctrl+Alt+Super+Shift+D") << Events{press(keyD, chord | shift)} << Ids{};
        QTest::newRow("release") << Events{release(keyD, chord)} << Ids{};
        QTest::newRow("another key, same modifiers") << Events{press(keyF, chord)} << Ids{};
        QTest::newRow("second chord is S") << Events{press(keyS, chord)} << Ids{2};
        QTest::newRow("pressed twice") << Events{press(keyD, chord, 10), release(keyD, chord, 90),
                                                 press(keyD, chord, 300), release(keyD, chord, 380)}
                                       << Ids{1, 1};
        QTest::newRow("held, repeats as presses")
            << Events{press(keyD, chord, 10), press(keyD, chord, 670), press(keyD, chord, 710),
                      release(keyD, chord, 720)}
            << Ids{1};
        QTest::newRow("held, repeats as release and press at one time")
            << Events{press(keyD, chord, 10),  release(keyD, chord, 670),
                      press(keyD, chord, 670), release(keyD, chord, 710),
                      press(keyD, chord, 710), release(keyD, chord, 720)}
            << Ids{1};
        QTest::newRow("D held, then S")
            << Events{press(keyD, chord, 10), press(keyS, chord, 20)} << Ids{1, 2};
    }

    void firingId()
    {
        QFETCH(Events, events);
        QFETCH(Ids, fired);

        const KeyModifiers modifiers = KeyModifier::Control | KeyModifier::Alt | KeyModifier::Super;
        const QList<X11HotKey> grabbed{{1, keyD, HotKeyMatch::modifierMask(modifiers)},
                                       {2, keyS, HotKeyMatch::modifierMask(modifiers)}};
        Ids ids;
        std::optional<X11KeyEvent> previous;
        for (const X11KeyEvent& event : std::as_const(events)) {
            if (const std::optional<quint32> id =
                    HotKeyMatch::firingId(grabbed, event, previous, capsLock | numLock))
                ids.append(*id);
            previous = event;
        }
        QCOMPARE(ids, fired);
    }

    // The key KDE's shortcut service is given: Qt's key and modifiers, Super being Meta.
    void kglobalaccelKey_data()
    {
        QTest::addColumn<KeyChord>("chord");
        QTest::addColumn<int>("key");

        const KeyModifiers cas = KeyModifier::Control | KeyModifier::Alt | KeyModifier::Super;
        QTest::newRow("Ctrl+Alt+Super+D")
            << KeyChord{KeyPosition::D, cas}
            << (Qt::CTRL | Qt::ALT | Qt::META | Qt::Key_D).toCombined();
        QTest::newRow("Ctrl+Alt+Super+S")
            << KeyChord{KeyPosition::S, cas}
            << (Qt::CTRL | Qt::ALT | Qt::META | Qt::Key_S).toCombined();
        QTest::newRow("Shift+Super+D")
            << KeyChord{KeyPosition::D, KeyModifier::Shift | KeyModifier::Super}
            << (Qt::SHIFT | Qt::META | Qt::Key_D).toCombined();
        QTest::newRow("a key it has no name for") << KeyChord{KeyPosition(30), cas} << 0;
    }

    void kglobalaccelKey()
    {
        QFETCH(KeyChord, chord);
        QFETCH(int, key);
        QCOMPARE(KGlobalAccelKeys::key(chord), key);
    }

    void kglobalaccelRepeat_data()
    {
        QTest::addColumn<std::optional<qint64>>("msSinceLast");
        QTest::addColumn<bool>("releasedSince");
        QTest::addColumn<bool>("repeat");

        QTest::newRow("first press") << std::optional<qint64>() << true << false;
        QTest::newRow("held, repeating") << std::optional<qint64>(40) << false << true;
        QTest::newRow("held, first repeat after the delay")
            << std::optional<qint64>(600) << false << true;
        QTest::newRow("held, first repeat late on a busy machine")
            << std::optional<qint64>(1200) << false << true;
        QTest::newRow("released and pressed again quickly")
            << std::optional<qint64>(150) << true << false;
        QTest::newRow("pressed by a program, then by the user later")
            << std::optional<qint64>(5000) << false << false;
    }

    void kglobalaccelRepeat()
    {
        QFETCH(std::optional<qint64>, msSinceLast);
        QFETCH(bool, releasedSince);
        QFETCH(bool, repeat);
        QCOMPARE(KGlobalAccelKeys::isRepeat(msSinceLast, releasedSince), repeat);
    }
};

QTEST_GUILESS_MAIN(TestHotKeyMatch)
#include "tst_hotkeymatch.moc"
