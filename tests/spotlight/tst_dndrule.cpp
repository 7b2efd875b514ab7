// When Do Not Disturb is switched on and given back, and the record that makes giving back
// possible after a crash.
#include "platform/linux/DndServiceChoice.h"
#include "spotlight/DndRecord.h"
#include "spotlight/DndRule.h"

#include <QTest>

using namespace tavlin;

using MaybeState = std::optional<DndState>;
Q_DECLARE_METATYPE(MaybeState)
Q_DECLARE_METATYPE(DndRule::Verdict)

class TestDndRule : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void switchesOn_data()
    {
        QTest::addColumn<MaybeState>("found");
        QTest::addColumn<bool>("switches");
        QTest::newRow("off") << MaybeState(DndState::Off) << true;
        QTest::newRow("never set by the user") << MaybeState(DndState::Unset) << true;
        QTest::newRow("on already: nothing changed, nothing given back")
            << MaybeState(DndState::On) << false;
        QTest::newRow("unreadable") << MaybeState() << false;
    }
    void switchesOn()
    {
        QFETCH(MaybeState, found);
        QTEST(DndRule::switchesOn(found), "switches");
    }

    void givesBack_data()
    {
        QTest::addColumn<QString>("keeper"); // recorded
        QTest::addColumn<MaybeState>("now");
        QTest::addColumn<QString>("keeperNow");
        QTest::addColumn<DndRule::Verdict>("verdict");

        const QString store;
        const QString dunst = QStringLiteral(":1.42");
        QTest::newRow("setting still as set: given back")
            << store << MaybeState(DndState::On) << store << DndRule::Verdict::Restore;
        QTest::newRow("switched off by the user meanwhile: theirs stays")
            << store << MaybeState(DndState::Off) << store << DndRule::Verdict::LeaveAlone;
        QTest::newRow("store unreachable: kept for the next start")
            << store << MaybeState() << store << DndRule::Verdict::TryLater;
        QTest::newRow("same daemon, still paused: given back")
            << dunst << MaybeState(DndState::On) << dunst << DndRule::Verdict::Restore;
        QTest::newRow("same daemon, not answering: kept")
            << dunst << MaybeState() << dunst << DndRule::Verdict::TryLater;
        QTest::newRow("daemon restarted and paused by the user: theirs")
            << dunst << MaybeState(DndState::On) << QStringLiteral(":1.77")
            << DndRule::Verdict::LeaveAlone;
        QTest::newRow("daemon gone: what was set went with it")
            << dunst << MaybeState() << QString() << DndRule::Verdict::LeaveAlone;
    }
    void givesBack()
    {
        QFETCH(QString, keeper);
        QFETCH(MaybeState, now);
        QFETCH(QString, keeperNow);
        const DndRecord record{QStringLiteral("dunst"), keeper, DndState::Off};
        QTEST(DndRule::giveBack(record, now, keeperNow), "verdict");
    }

    void chooses_data()
    {
        QTest::addColumn<bool>("bus");
        QTest::addColumn<QString>("server");
        QTest::addColumn<bool>("inhibits");
        QTest::addColumn<bool>("switchable");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("reason");

        const QString none;
        QTest::newRow("no session bus")
            << false << none << false << false << none << QStringLiteral("Needs a session bus");
        QTest::newRow("no service running") << true << none << false << false << none
                                            << QStringLiteral("No notification service is running");
        QTest::newRow("inhibitions win over a known name")
            << true << QStringLiteral("dunst") << true << true << QStringLiteral("inhibit") << none;
        QTest::newRow("Xfce's daemon") << true << QStringLiteral("Xfce Notify Daemon") << false
                                       << true << QStringLiteral("xfce") << none;
        QTest::newRow("mako too old to set modes")
            << true << QStringLiteral("mako") << false << false << none
            << QStringLiteral("Tavlin can't switch mako's Do Not Disturb");
        QTest::newRow("a server Tavlin does not know")
            << true << QStringLiteral("notify-osd") << false << false << none
            << QStringLiteral("Tavlin can't switch notify-osd's Do Not Disturb");
    }
    void chooses()
    {
        QFETCH(bool, bus);
        QFETCH(QString, server);
        QFETCH(bool, inhibits);
        QFETCH(bool, switchable);
        const DndServiceChoice::Facts facts{bus, server, inhibits, switchable};
        QString reason;
        QTEST(DndServiceChoice::choose(facts, reason), "chosen");
        QTEST(reason, "reason");
    }

    void record_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("whole");

        for (const DndState found : {DndState::Off, DndState::On, DndState::Unset}) {
            const DndRecord record{QStringLiteral("xfce"), QStringLiteral(":1.3"), found};
            QTest::addRow("written, state %d", int(found)) << record.encode() << true;
        }
        QTest::newRow("cut off") << QByteArray("{\"service\":\"gnome\",\"keep") << false;
        QTest::newRow("not an object") << QByteArray("[\"gnome\"]") << false;
        QTest::newRow("no service")
            << QByteArray("{\"service\":\"\",\"keeper\":\"\",\"found\":\"off\"}") << false;
        QTest::newRow("a state this program never writes")
            << QByteArray("{\"service\":\"gnome\",\"keeper\":\"\",\"found\":\"maybe\"}") << false;
        QTest::newRow("keeper not text")
            << QByteArray("{\"service\":\"gnome\",\"keeper\":5,\"found\":\"on\"}") << false;
    }
    void record()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, whole);
        const std::optional<DndRecord> decoded = DndRecord::decode(data);
        QCOMPARE(decoded.has_value(), whole);
        if (decoded)
            QCOMPARE(decoded->encode(), data);
    }
};

QTEST_GUILESS_MAIN(TestDndRule)
#include "tst_dndrule.moc"
