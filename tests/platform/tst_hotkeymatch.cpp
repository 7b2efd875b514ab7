#include "platform/x11/HotKeyMatch.h"

#include <QTest>

using namespace tavlin;

Q_DECLARE_METATYPE(X11KeyEvent)

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
};

QTEST_GUILESS_MAIN(TestHotKeyMatch)
#include "tst_hotkeymatch.moc"
