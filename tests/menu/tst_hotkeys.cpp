#include "menu/HotKeyChords.h"
#include "menu/HotKeys.h"
#include "tests/fakes/FakeHotKeyGrabber.h"

#include <QSignalSpy>
#include <QTest>

using namespace tavlin;

Q_DECLARE_METATYPE(KeyChord)

class TestHotKeys : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pressRunsTheActionOfItsId_data()
    {
        QTest::addColumn<bool>("coverTaken");
        QTest::addColumn<quint32>("pressed");
        QTest::addColumn<QStringList>("ran");

        QTest::newRow("first id") << false << 1u << QStringList{QStringLiteral("cover")};
        QTest::newRow("second id") << false << 2u << QStringList{QStringLiteral("spotlight")};
        QTest::newRow("id 0") << false << 0u << QStringList{};
        QTest::newRow("unknown id") << false << 3u << QStringList{};
        QTest::newRow("refused chord keeps its id, the other works")
            << true << 2u << QStringList{QStringLiteral("spotlight")};
    }

    void pressRunsTheActionOfItsId()
    {
        QFETCH(bool, coverTaken);
        QFETCH(quint32, pressed);
        QFETCH(QStringList, ran);

        FakeHotKeyGrabber grabber;
        if (coverTaken)
            grabber.taken.append(HotKeyChords::cover);
        HotKeys hotKeys(grabber);
        QStringList actions;
        QCOMPARE(hotKeys.registerHotKey(HotKeyChords::cover, {},
                                        [&] { actions.append(QStringLiteral("cover")); }),
                 1u);
        QCOMPARE(hotKeys.registerHotKey(HotKeyChords::spotlight, {},
                                        [&] { actions.append(QStringLiteral("spotlight")); }),
                 2u);
        QCOMPARE(hotKeys.isActive(1), !coverTaken);
        QVERIFY(hotKeys.isActive(2));

        Q_EMIT grabber.pressed(pressed);
        QCOMPARE(actions, ran);
    }

    // A desktop service answers after the registration: active only once it granted the chord,
    // and inactive again when it takes it back.
    void lateAnswers_data()
    {
        QTest::addColumn<QList<bool>>("answers"); // for id 1, in turn
        QTest::addColumn<bool>("active");
        QTest::addColumn<int>("changes");

        QTest::newRow("none yet") << QList<bool>{} << false << 0;
        QTest::newRow("granted") << QList<bool>{true} << true << 1;
        QTest::newRow("refused") << QList<bool>{false} << false << 0;
        QTest::newRow("granted, then taken back") << QList<bool>{true, false} << false << 2;
        QTest::newRow("granted twice") << QList<bool>{true, true} << true << 1;
    }

    void lateAnswers()
    {
        QFETCH(QList<bool>, answers);
        FakeHotKeyGrabber grabber;
        grabber.answersLater = true;
        HotKeys hotKeys(grabber);
        QSignalSpy changes(&hotKeys, &HotKeys::activeChanged);
        hotKeys.registerHotKey(HotKeyChords::cover, {}, [] {});
        QVERIFY(!hotKeys.isActive(1));
        for (const bool granted : answers)
            Q_EMIT grabber.answered(1, granted);
        QTEST(hotKeys.isActive(1), "active");
        QTEST(int(changes.size()), "changes");
        Q_EMIT grabber.answered(7, true); // never registered: ignored
        QTEST(int(changes.size()), "changes");
    }

    void shortcutShowsTheChord_data()
    {
        QTest::addColumn<KeyChord>("chord");
        QTest::addColumn<QKeySequence>("shortcut");

        QTest::newRow("cover") << HotKeyChords::cover
                               << QKeySequence(Qt::CTRL | Qt::ALT | Qt::META | Qt::Key_D);
        QTest::newRow("spotlight")
            << HotKeyChords::spotlight << QKeySequence(Qt::CTRL | Qt::ALT | Qt::META | Qt::Key_S);
    }

    void shortcutShowsTheChord()
    {
        QFETCH(KeyChord, chord);
        QFETCH(QKeySequence, shortcut);
        QCOMPARE(HotKeyChords::shortcut(chord), shortcut);
    }
};

QTEST_GUILESS_MAIN(TestHotKeys)
#include "tst_hotkeys.moc"
