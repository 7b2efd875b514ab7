#include "platform/linux/InotifyDirectoryWatcher.h"
#include "tests/fakes/FakeFolderChooser.h"
#include "tests/fakes/FakeReveal.h"
#include "tests/fakes/TestDesktop.h"
#include "tidy/DesktopTidy.h"
#include "tidy/StoredPath.h"
#include "tidy/TidyKeys.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <memory>

using namespace tavlin;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QByteArray twoOld = "a.txt=F:a|b.txt=F:b";

// Everything a DesktopTidy runs on, torn down in the right order.
struct Harness
{
    Harness()
    {
        // The dialog starts in the user's Desktop, as the desktop's user-dirs name it.
        const QByteArray config = desktop.scratch() + "/config";
        TestTree::makeFolder(config);
        TestTree::writeFile(config + "/user-dirs.dirs",
                            "XDG_DESKTOP_DIR=\"" + userDesktop + "\"\n");
        qputenv("XDG_CONFIG_HOME", config);
    }

    void storeChoice()
    {
        desktop.settings.setValue(TidyKeys::desktopBookmark, StoredPath::encode(desktop.path()));
    }

    // The usual start: two old items on a Desktop the user chose earlier.
    DesktopTidy& startWithTwoOld()
    {
        if (!desktop.build(TestTree::tree(twoOld)))
            qFatal("Could not build the Desktop");
        storeChoice();
        return start();
    }

    DesktopTidy& start()
    {
        tidy = std::make_unique<DesktopTidy>(desktop.services(), access, &reveal,
                                             std::make_unique<InotifyDirectoryWatcher>());
        return *tidy;
    }

    TestDesktop desktop;
    QByteArray userDesktop = desktop.scratch() + "/Bureau";
    FakeFolderChooser chooser;
    FakeReveal reveal;
    DesktopAccess access{desktop.settings, desktop.fileSystem, &chooser};
    std::unique_ptr<DesktopTidy> tidy;
};

} // namespace

class TestDesktopTidy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startUp_data();
    void startUp();
    void tidyNowAsks_data();
    void tidyNowAsks();
    void storedFolderDeleted();
    void olderThanDays_data();
    void olderThanDays();
    void autoTidySetting_data();
    void autoTidySetting();
    void twentyHourRule_data();
    void twentyHourRule();
    void justFinished_data();
    void justFinished();
    void debounce();
    void undoLastTidy_data();
    void undoLastTidy();
    void showArchive_data();
    void showArchive();
};

void TestDesktopTidy::startUp_data()
{
    QTest::addColumn<bool>("storeChoice");
    QTest::addColumn<int>("storedRecords");
    QTest::addColumn<QVariant>("pending");
    QTest::addColumn<int>("undoCount");

    QTest::newRow("first launch") << false << 0 << QVariant() << 0;
    QTest::newRow("stored Desktop choice") << true << 0 << QVariant(2) << 0;
    QTest::newRow("stored log") << true << 3 << QVariant(2) << 3;
}

void TestDesktopTidy::startUp()
{
    QFETCH(bool, storeChoice);
    QFETCH(int, storedRecords);
    QFETCH(QVariant, pending);
    QFETCH(int, undoCount);

    Harness h;
    QVERIFY(h.desktop.build(TestTree::tree("a.txt=F:a|b.txt=F:b|new.txt=F:n"), {"new.txt"}));
    if (storeChoice)
        h.storeChoice();
    if (storedRecords > 0) {
        QJsonArray log;
        for (int i = 0; i < storedRecords; ++i)
            log.append(QJsonArray{QStringLiteral("/x"), QStringLiteral("/y")});
        h.desktop.settings.setValue(TidyKeys::lastTidyMoves, log);
    }
    const QByteArray settingsBefore = readAll(h.desktop.settingsPath());

    DesktopTidy& tidy = h.start();

    QCOMPARE(tidy.pendingCountVariant(), pending);
    QCOMPARE(tidy.undoCount(), undoCount);
    QCOMPARE(tidy.olderThanDays(), qint64(7));
    QCOMPARE(tidy.autoTidy(), false);
    QVERIFY(tidy.status().isNull());
    QCOMPARE(readAll(h.desktop.settingsPath()), settingsBefore); // nothing written back
    QCOMPARE(tidy.hourlyTimer().interval(), 3600 * 1000);
    QVERIFY(tidy.hourlyTimer().isActive());

    // Background work never asks for the folder.
    tidy.refreshPending();
    QCOMPARE(tidy.pendingCountVariant(), pending);
    QVERIFY(h.chooser.requests.isEmpty());
}

void TestDesktopTidy::tidyNowAsks_data()
{
    QTest::addColumn<bool>("confirm");

    QTest::newRow("cancelled") << false;
    QTest::newRow("confirmed") << true;
}

void TestDesktopTidy::tidyNowAsks()
{
    QFETCH(bool, confirm);

    Harness h;
    QVERIFY(h.desktop.build(TestTree::tree(twoOld)));
    DesktopTidy& tidy = h.start();
    if (confirm)
        h.chooser.answer = h.desktop.path();

    tidy.tidyNow();

    QCOMPARE(h.chooser.requests.size(), 1);
    QCOMPARE(h.chooser.requests[0].message,
             QStringLiteral(
                 "Tavlin needs access to your Desktop to tidy it. Choose your Desktop folder."));
    QCOMPARE(h.chooser.requests[0].acceptLabel, QStringLiteral("Allow Access"));
    QCOMPARE(h.chooser.requests[0].startFolder, h.userDesktop);
    if (!confirm) {
        QVERIFY(!h.desktop.settings.contains(TidyKeys::desktopBookmark));
        QCOMPARE(h.desktop.snapshot(), TestTree::tree(twoOld));
        QVERIFY(tidy.status().isNull());
        QCOMPARE(tidy.pendingCountVariant(), QVariant());
        return;
    }
    QCOMPARE(h.desktop.settings.string(TidyKeys::desktopBookmark),
             std::optional(QFile::decodeName(h.desktop.path())));
    QCOMPARE(tidy.status(), QStringLiteral("Filed 2 items"));
    QCOMPARE(tidy.undoCount(), 2);
    QCOMPARE(tidy.pendingCountVariant(), QVariant(0));
    QVERIFY(!TestTree::exists(h.desktop.at("a.txt")));
}

void TestDesktopTidy::storedFolderDeleted()
{
    Harness h;
    DesktopTidy& tidy = h.startWithTwoOld();
    QCOMPARE(tidy.pendingCountVariant(), QVariant(2));

    QVERIFY(QDir(QFile::decodeName(h.desktop.path())).removeRecursively());
    tidy.refreshPending();
    QCOMPARE(tidy.pendingCountVariant(), QVariant(2));
    QVERIFY(h.chooser.requests.isEmpty());

    tidy.tidyNow();
    QCOMPARE(h.chooser.requests.size(), 1);
    QVERIFY(tidy.status().isNull());
}

void TestDesktopTidy::olderThanDays_data()
{
    QTest::addColumn<qint64>("days");
    QTest::addColumn<int>("signalCount");
    QTest::addColumn<int>("pending");

    QTest::newRow("same value") << qint64(7) << 0 << 0;
    QTest::newRow("new value") << qint64(3) << 1 << 1;
}

void TestDesktopTidy::olderThanDays()
{
    QFETCH(qint64, days);
    QFETCH(int, signalCount);
    QFETCH(int, pending);

    Harness h;
    QVERIFY(h.desktop.build({{"five days.txt", "F:f"}}));
    QVERIFY(TestTree::setModified(h.desktop.at("five days.txt"),
                                  h.desktop.clock.now() - 5 * TestDesktop::day));
    h.storeChoice();
    DesktopTidy& tidy = h.start();
    QCOMPARE(tidy.pendingCountVariant(), QVariant(0));
    QSignalSpy changed(&tidy, &DesktopTidy::olderThanDaysChanged);
    const int listings = h.desktop.fileSystem.listingCount();

    tidy.setOlderThanDays(days);

    QCOMPARE(h.desktop.settings.integer(TidyKeys::olderThanDays), std::optional(days));
    QCOMPARE(h.desktop.fileSystem.listingCount(), listings + 1);
    QCOMPARE(changed.count(), signalCount);
    QCOMPARE(tidy.olderThanDays(), days);
    QCOMPARE(tidy.pendingCountVariant(), QVariant(pending));
}

void TestDesktopTidy::autoTidySetting_data()
{
    QTest::addColumn<bool>("on");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("signalCount");

    QTest::newRow("switched on, never tidied") << true << QStringLiteral("Filed 2 items") << 1;
    QTest::newRow("switched off") << false << QString() << 0;
}

void TestDesktopTidy::autoTidySetting()
{
    QFETCH(bool, on);
    QFETCH(QString, status);
    QFETCH(int, signalCount);

    Harness h;
    DesktopTidy& tidy = h.startWithTwoOld();
    QSignalSpy changed(&tidy, &DesktopTidy::autoTidyChanged);
    const int listings = h.desktop.fileSystem.listingCount();

    tidy.setAutoTidy(on);

    QCOMPARE(h.desktop.settings.value(TidyKeys::autoTidy), QJsonValue(on));
    QCOMPARE(tidy.autoTidy(), on);
    QCOMPARE(changed.count(), signalCount);
    QCOMPARE(tidy.status(), status);
    QCOMPARE(TestTree::exists(h.desktop.at("a.txt")), !on);
    if (!on)
        QCOMPARE(h.desktop.fileSystem.listingCount(), listings);
}

void TestDesktopTidy::twentyHourRule_data()
{
    QTest::addColumn<double>("hoursAgo");
    QTest::addColumn<bool>("garbage");
    QTest::addColumn<bool>("due");

    QTest::newRow("21 hours ago") << 21.0 << false << true;
    QTest::newRow("19 hours ago") << 19.0 << false << false;
    QTest::newRow("exactly 20 hours ago") << 20.0 << false << false;
    QTest::newRow("a day in the future") << -30.0 << false << false;
    QTest::newRow("not a date") << 0.0 << true << true;
}

void TestDesktopTidy::twentyHourRule()
{
    QFETCH(double, hoursAgo);
    QFETCH(bool, garbage);
    QFETCH(bool, due);

    Harness h;
    h.desktop.settings.setBoolean(TidyKeys::autoTidy, true);
    if (garbage)
        h.desktop.settings.setValue(TidyKeys::lastTidyDate, QStringLiteral("last Tuesday"));
    else
        h.desktop.settings.setDate(TidyKeys::lastTidyDate, h.desktop.clock.now() - hoursAgo * 3600);

    DesktopTidy& tidy = h.startWithTwoOld();

    // A due tidy runs before the first count, so the count already reflects it.
    QCOMPARE(tidy.status(), due ? QStringLiteral("Filed 2 items") : QString());
    QCOMPARE(tidy.pendingCountVariant(), QVariant(due ? 0 : 2));
    if (due)
        QCOMPARE(h.desktop.settings.date(TidyKeys::lastTidyDate), h.desktop.clock.now());
}

void TestDesktopTidy::justFinished_data()
{
    QTest::addColumn<int>("secondRunAfterMs"); // negative: no second run

    QTest::newRow("one run") << -1;
    QTest::newRow("second run a second later") << 1000;
}

void TestDesktopTidy::justFinished()
{
    QFETCH(int, secondRunAfterMs);

    Harness h;
    DesktopTidy& tidy = h.startWithTwoOld();
    QSignalSpy flashes(&tidy, &DesktopTidy::justFinishedChanged);
    QElapsedTimer clock;
    clock.start();

    tidy.tidyNow();
    QVERIFY(tidy.justFinished());
    // A coarse timer may fire up to 5% early; an extended flash could not end before this.
    qint64 latestEnd = 1575 + 1000;
    if (secondRunAfterMs >= 0) {
        QTest::qWait(secondRunAfterMs);
        QVERIFY(tidy.justFinished());
        latestEnd = clock.elapsed() + 1425 - 10;
        tidy.tidyNow();
        QVERIFY(tidy.justFinished());
    }

    QTRY_VERIFY_WITH_TIMEOUT(!tidy.justFinished(), 5000);
    QVERIFY2(clock.elapsed() >= 1400, QByteArray::number(clock.elapsed()).constData());
    QVERIFY2(clock.elapsed() < latestEnd, QByteArray::number(clock.elapsed()).constData());
    QCOMPARE(flashes.count(), 2);
}

void TestDesktopTidy::debounce()
{
    Harness h;
    h.storeChoice();
    DesktopTidy& tidy = h.start();
    QCOMPARE(tidy.pendingCountVariant(), QVariant(0));
    const int listings = h.desktop.fileSystem.listingCount();
    QElapsedTimer clock;
    qint64 refreshedAt = -1;
    connect(&tidy, &DesktopTidy::pendingCountChanged, this, [&] { refreshedAt = clock.elapsed(); });

    clock.start();
    for (int i = 0; i < 10; ++i) {
        QVERIFY(TestTree::writeFile(h.desktop.at("burst " + QByteArray::number(i))));
        QTest::qWait(25);
    }
    QTRY_COMPARE_WITH_TIMEOUT(h.desktop.fileSystem.listingCount(), listings + 1, 3000);
    QVERIFY2(refreshedAt >= 450 && refreshedAt < 700, QByteArray::number(refreshedAt).constData());
    QCOMPARE(tidy.pendingCountVariant(), QVariant(10));
    // Quiet: no second refresh for the same burst.
    QTest::qWait(800);
    QCOMPARE(h.desktop.fileSystem.listingCount(), listings + 1);

    QVERIFY(TestTree::writeFile(h.desktop.at("later")));
    QTRY_COMPARE_WITH_TIMEOUT(h.desktop.fileSystem.listingCount(), listings + 2, 3000);
    QCOMPARE(tidy.pendingCountVariant(), QVariant(11));
}

void TestDesktopTidy::undoLastTidy_data()
{
    QTest::addColumn<bool>("refuse");
    QTest::addColumn<int>("undoCount");
    QTest::addColumn<int>("pending");
    QTest::addColumn<QString>("status");

    QTest::newRow("all restored") << false << 0 << 2 << QStringLiteral("Restored 2 items");
    QTest::newRow("one refused") << true << 1 << 1
                                 << QStringLiteral("Restored 1 item, 1 couldn't be moved back");
}

void TestDesktopTidy::undoLastTidy()
{
    QFETCH(bool, refuse);
    QFETCH(int, undoCount);
    QFETCH(int, pending);
    QFETCH(QString, status);

    Harness h;
    DesktopTidy& tidy = h.startWithTwoOld();
    tidy.tidyNow();
    QCOMPARE(tidy.undoCount(), 2);
    QCOMPARE(tidy.pendingCountVariant(), QVariant(0));
    const QByteArray archived = h.desktop.at("Tavlin Archive/2040-01/Documents/a.txt");
    QVERIFY(TestTree::exists(archived));
    if (refuse) {
        h.desktop.fileSystem.setFailureRule(
            [&](FaultyFileSystem::Operation op, const QByteArray& path) {
                return op == FaultyFileSystem::Operation::Move && path == archived;
            });
    }

    tidy.undoLastTidy();

    QCOMPARE(tidy.undoCount(), undoCount);
    QCOMPARE(tidy.pendingCountVariant(), QVariant(pending));
    QCOMPARE(tidy.status(), status);
}

void TestDesktopTidy::showArchive_data()
{
    QTest::addColumn<bool>("tidyFirst");
    QTest::addColumn<QByteArray>("shown"); // empty: the Desktop itself

    QTest::newRow("before any tidy") << false << QByteArray();
    QTest::newRow("after a tidy") << true << QByteArray("Tavlin Archive");
}

void TestDesktopTidy::showArchive()
{
    QFETCH(bool, tidyFirst);
    QFETCH(QByteArray, shown);

    Harness h;
    DesktopTidy& tidy = h.startWithTwoOld();
    if (tidyFirst)
        tidy.tidyNow();

    tidy.showArchive();

    QCOMPARE(h.reveal.revealed,
             QByteArrayList{shown.isEmpty() ? h.desktop.path() : h.desktop.at(shown)});
}

QTEST_GUILESS_MAIN(TestDesktopTidy)
#include "tst_desktoptidy.moc"
