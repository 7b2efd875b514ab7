#include "platform/linux/InotifyDirectoryWatcher.h"
#include "tests/fakes/FakeFolderChooser.h"
#include "tests/fakes/FakeReveal.h"
#include "tests/fakes/TestDesktop.h"
#include "tidy/DesktopTidy.h"
#include "tidy/StoredPath.h"
#include "tidy/TidyKeys.h"

#include <QSignalSpy>
#include <memory>

using namespace tavlin;

namespace {

const QByteArray twoOld = "a.txt=F:a|b.txt=F:b";

// Waits until the worker has run everything asked of it and the results are applied.
bool idle(const DesktopTidy& tidy)
{
    return QTest::qWaitFor([&] { return !tidy.busy(); }, 10000);
}

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

    // The usual start: two old items on a Desktop the user chose earlier.
    DesktopTidy& startWithTwoOld()
    {
        if (!desktop.build(twoOld))
            qFatal("Could not build the Desktop");
        desktop.choose();
        return start();
    }

    DesktopTidy& start()
    {
        tidy = std::make_unique<DesktopTidy>(desktop.services(), access, &reveal,
                                             std::make_unique<InotifyDirectoryWatcher>());
        idle(*tidy);
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
    void access_data()
    {
        QTest::addColumn<QByteArray>("stored"); // the remembered folder below the scratch folder
        QTest::addColumn<int>("storedLog");
        QTest::addColumn<QVariant>("pendingAtStart");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QString>("status");

        const QString filed = QStringLiteral("Filed 2 items");
        // The dialog is cancelled when it opens.
        QTest::newRow("first launch") << QByteArray() << 0 << QVariant() << true << QString();
        QTest::newRow("stored choice and log")
            << QByteArray("Desktop") << 3 << QVariant(2) << false << filed;
        QTest::newRow("stored folder gone")
            << QByteArray("gone") << 0 << QVariant() << true << QString();
    }
    void access()
    {
        QFETCH(QByteArray, stored);
        QFETCH(int, storedLog);
        QFETCH(QVariant, pendingAtStart);
        QFETCH(bool, asked);
        QFETCH(QString, status);

        Harness h;
        QVERIFY(h.desktop.build(twoOld + "|new.txt=F:n", "new.txt"));
        if (!stored.isEmpty())
            h.desktop.settings.setValue(TidyKeys::desktopBookmark,
                                        StoredPath::encode(h.desktop.scratch() + '/' + stored));
        if (storedLog > 0)
            h.desktop.settings.setValue(
                TidyKeys::lastTidyMoves,
                MoveLog::toJson(std::vector<MoveRecord>(
                    size_t(storedLog),
                    {h.desktop.at("x"), h.desktop.at(TestTree::thisMonth + "Other/x")})));
        const QString settingsFile = h.desktop.settingsPath();
        const QByteArray settingsBefore = TestTree::readFile(QFile::encodeName(settingsFile));

        DesktopTidy& tidy = h.start();
        QCOMPARE(tidy.pendingCountVariant(), pendingAtStart);
        QCOMPARE(tidy.undoCount(), storedLog);
        QVERIFY(tidy.status().isNull());
        // Nothing written back.
        QCOMPARE(TestTree::readFile(QFile::encodeName(settingsFile)), settingsBefore);
        QVERIFY(tidy.hourlyTimer().isActive());
        // Background work never asks for the folder.
        tidy.refreshPending();
        QVERIFY(idle(tidy));
        QVERIFY(h.chooser.requests.isEmpty());

        tidy.tidyNow();
        QVERIFY(idle(tidy));
        QCOMPARE(h.chooser.requests.size(), asked ? 1 : 0);
        if (asked)
            QCOMPARE(h.chooser.requests[0], h.userDesktop);
        QCOMPARE(tidy.status(), status);
        QCOMPARE(TestTree::exists(h.desktop.at("a.txt")), status.isNull());
        QCOMPARE(tidy.undoCount(), status.isNull() ? storedLog : 2);
        QCOMPARE(tidy.pendingCountVariant(), status.isNull() ? pendingAtStart : QVariant(0));
        QCOMPARE(h.desktop.settings.string(TidyKeys::desktopBookmark),
                 stored.isEmpty()
                     ? std::nullopt
                     : std::optional(QFile::decodeName(h.desktop.scratch() + '/' + stored)));
    }

    // A setting changed from the menu is stored, signalled when it changes, and acted on.
    void settingChanges_data()
    {
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("signalCount");
        QTest::addColumn<int>("listings"); // how often the Desktop is read
        QTest::addColumn<QVariant>("pending");
        QTest::addColumn<QString>("status");

        const QByteArray days = "olderThanDays";
        QTest::newRow("threshold unchanged")
            << days << QVariant(qint64(7)) << 0 << 1 << QVariant(2) << QString();
        QTest::newRow("threshold lowered")
            << days << QVariant(qint64(3)) << 1 << 1 << QVariant(3) << QString();
        // A run counts what is left once it is done.
        QTest::newRow("auto tidy switched on, never tidied")
            << QByteArray("autoTidy") << QVariant(true) << 1 << 2 << QVariant(0)
            << QStringLiteral("Filed 2 items");
    }
    void settingChanges()
    {
        QFETCH(QByteArray, property);
        QFETCH(QVariant, value);
        QFETCH(int, signalCount);
        QFETCH(QString, status);

        Harness h;
        QVERIFY(h.desktop.build("five days.txt=F:f"));
        QVERIFY(TestTree::setModified(h.desktop.at("five days.txt"),
                                      h.desktop.clock.now() - 5 * TestDesktop::day));
        DesktopTidy& tidy = h.startWithTwoOld();
        const QMetaProperty meta =
            tidy.metaObject()->property(tidy.metaObject()->indexOfProperty(property.constData()));
        QSignalSpy changed(&tidy, meta.notifySignal());
        const int listingsBefore = h.desktop.fileSystem.listingCount();

        QVERIFY(meta.write(&tidy, value));
        QVERIFY(idle(tidy));

        QCOMPARE(meta.read(&tidy), value);
        const QString key = property == "autoTidy" ? TidyKeys::autoTidy : TidyKeys::olderThanDays;
        QCOMPARE(h.desktop.settings.value(key).toVariant(), value);
        QCOMPARE(changed.count(), signalCount);
        QTEST(h.desktop.fileSystem.listingCount() - listingsBefore, "listings");
        QTEST(tidy.pendingCountVariant(), "pending");
        QCOMPARE(tidy.status(), status);
        QCOMPARE(TestTree::exists(h.desktop.at("a.txt")), status.isNull());
    }

    void twentyHourRule_data()
    {
        QTest::addColumn<double>("hoursAgo");
        QTest::addColumn<bool>("garbage");
        QTest::addColumn<bool>("due");

        QTest::newRow("21 hours ago") << 21.0 << false << true;
        QTest::newRow("exactly 20 hours ago") << 20.0 << false << false;
        QTest::newRow("a day in the future") << -30.0 << false << false;
        QTest::newRow("not a date") << 0.0 << true << true;
    }
    void twentyHourRule()
    {
        QFETCH(double, hoursAgo);
        QFETCH(bool, garbage);
        QFETCH(bool, due);

        Harness h;
        h.desktop.settings.setBoolean(TidyKeys::autoTidy, true);
        if (garbage)
            h.desktop.settings.setValue(TidyKeys::lastTidyDate, QStringLiteral("last Tuesday"));
        else
            h.desktop.settings.setDate(TidyKeys::lastTidyDate,
                                       h.desktop.clock.now() - hoursAgo * 3600);

        DesktopTidy& tidy = h.startWithTwoOld();

        // A due tidy runs before the first count, so the count already reflects it.
        QCOMPARE(tidy.status(), due ? QStringLiteral("Filed 2 items") : QString());
        QCOMPARE(tidy.pendingCountVariant(), QVariant(due ? 0 : 2));
        if (due)
            QCOMPARE(h.desktop.settings.date(TidyKeys::lastTidyDate), h.desktop.clock.now());
        // The menu shows the archive once there is one, else the Desktop.
        tidy.showArchive();
        QCOMPARE(h.reveal.revealed,
                 QByteArrayList{due ? h.desktop.at("Tavlin Archive") : h.desktop.path()});
    }

    // A burst of arrivals is counted once it is over, not once per arrival.
    void burstCountedOnce()
    {
        Harness h;
        h.desktop.choose();
        DesktopTidy& tidy = h.start();
        QCOMPARE(tidy.pendingCountVariant(), QVariant(0));
        const int listings = h.desktop.fileSystem.listingCount();
        for (int i = 0; i < 10; ++i)
            QVERIFY(TestTree::writeFile(h.desktop.at("burst " + QByteArray::number(i))));
        QTRY_COMPARE_WITH_TIMEOUT(tidy.pendingCountVariant(), QVariant(10), 5000);
        QVERIFY2(h.desktop.fileSystem.listingCount() - listings < 3,
                 QByteArray::number(h.desktop.fileSystem.listingCount() - listings).constData());
    }
};

QTEST_GUILESS_MAIN(TestDesktopTidy)
#include "tst_desktoptidy.moc"
