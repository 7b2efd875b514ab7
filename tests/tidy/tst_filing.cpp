#include "tests/fakes/TestDesktop.h"
#include "tidy/ArchivePaths.h"
#include "tidy/TidyKeys.h"
#include "tidy/TidyRunner.h"

#include <QJsonArray>
#include <QTest>
#include <algorithm>

using namespace tavlin;
using TestTree::entries;
using TestTree::tree;

namespace {

const QByteArray earlierLog = "/earlier/a > /earlier/b";

void storeEarlierLog(SettingsStore& settings)
{
    settings.setValue(
        TidyKeys::lastTidyMoves,
        QJsonArray{QJsonArray{QStringLiteral("/earlier/a"), QStringLiteral("/earlier/b")}});
}

QByteArrayList sorted(QByteArrayList list)
{
    std::sort(list.begin(), list.end());
    return list;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestFiling : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tidy_data();
    void tidy();
    void monthFolders_data();
    void monthFolders();
    void monthFolderName_data();
    void monthFolderName();
    void uniqueDestination_data();
    void uniqueDestination();
    void unreadableDesktop_data();
    void unreadableDesktop();
    void refusedOperation_data();
    void refusedOperation();
};

void TestFiling::tidy_data()
{
    // Trees and move lists in the notation of TestTree::tree().
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("fresh");
    QTest::addColumn<qint64>("days");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QByteArray>("moves");
    QTest::addColumn<QString>("status");

    QTest::newRow("three items, one name taken")
        << QByteArray(
               "photo.png=F:new|notes.txt=F:n|Projects/plan.txt=F:p|@/Images/photo.png=F:old")
        << QByteArray() << qint64(7)
        << QByteArray("@/Images/photo.png=F:old|@/Images/photo 2.png=F:new|"
                      "@/Documents/notes.txt=F:n|@/Folders/Projects/plan.txt=F:p")
        << QByteArray("notes.txt > @/Documents/notes.txt|photo.png > @/Images/photo 2.png|"
                      "Projects > @/Folders/Projects")
        << QStringLiteral("Filed 3 items");
    QTest::newRow("one old item beside a fresh one")
        << QByteArray("report.pdf=F:r|draft.txt=F:d") << QByteArray("draft.txt") << qint64(7)
        << QByteArray("draft.txt=F:d|@/PDFs/report.pdf=F:r")
        << QByteArray("report.pdf > @/PDFs/report.pdf") << QStringLiteral("Filed 1 item");
    QTest::newRow("nothing older than a week")
        << QByteArray("draft.txt=F:d") << QByteArray("draft.txt") << qint64(7)
        << QByteArray("draft.txt=F:d") << earlierLog << QStringLiteral("Nothing older than 7 days");
    QTest::newRow("nothing older than a day")
        << QByteArray("draft.txt=F:d") << QByteArray("draft.txt") << qint64(1)
        << QByteArray("draft.txt=F:d") << earlierLog << QStringLiteral("Nothing older than 1 day");
    QTest::newRow("archive name taken by a file")
        << QByteArray("Tavlin Archive=F:mine|notes.txt=F:n") << QByteArray() << qint64(7)
        << QByteArray("Tavlin Archive=F:mine|notes.txt=F:n") << earlierLog
        << QStringLiteral("Nothing older than 7 days");
    QTest::newRow("name not UTF-8")
        << QByteArray("caf\xe9.txt=F:c") << QByteArray() << qint64(7)
        << QByteArray("@/Documents/caf\xe9.txt=F:c")
        << QByteArray("caf\xe9.txt > @/Documents/caf\xe9.txt") << QStringLiteral("Filed 1 item");
    QTest::newRow("link filed as a link, not its target")
        << QByteArray("shortcut=L:/nonexistent/target") << QByteArray() << qint64(7)
        << QByteArray("@/Other/shortcut=L:/nonexistent/target")
        << QByteArray("shortcut > @/Other/shortcut") << QStringLiteral("Filed 1 item");
}

void TestFiling::tidy()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, fresh);
    QFETCH(qint64, days);
    QFETCH(QByteArray, after);
    QFETCH(QByteArray, moves);
    QFETCH(QString, status);

    TestDesktop desktop;
    QVERIFY(desktop.isValid());
    QVERIFY(desktop.build(tree(before), entries(fresh)));
    storeEarlierLog(desktop.settings);
    desktop.settings.setInteger(TidyKeys::olderThanDays, days);
    TidyRunner runner(desktop.services());
    const auto scanned = runner.scan(desktop.path());
    QVERIFY(scanned);

    const TidyResult result = runner.tidy(desktop.path());

    QCOMPARE(result.status, status);
    QVERIFY(result.listed);
    QCOMPARE(desktop.snapshot(), tree(after));
    QCOMPARE(sorted(desktop.loggedMoves()), sorted(entries(moves)));
    QCOMPARE(desktop.settings.date(TidyKeys::lastTidyDate), desktop.clock.now());
    if (result.moved > 0) {
        // Logged in the order the scan found them.
        QCOMPARE(size_t(result.moved), scanned->size());
        for (size_t i = 0; i < scanned->size(); ++i)
            QVERIFY(desktop.loggedMoves().at(qsizetype(i)).startsWith(scanned->at(i).name + " > "));
    }
}

void TestFiling::monthFolders_data()
{
    QTest::addColumn<double>("secondRun");
    QTest::addColumn<QByteArray>("secondName");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QByteArray>("moves");

    QTest::newRow("same month") << TestDesktop::january20 << QByteArray("b.txt")
                                << QByteArray("@/Documents/a.txt=F:1|@/Documents/b.txt=F:2")
                                << QByteArray("b.txt > @/Documents/b.txt");
    QTest::newRow("same name in the same month")
        << TestDesktop::january20 << QByteArray("a.txt")
        << QByteArray("@/Documents/a.txt=F:1|@/Documents/a 2.txt=F:2")
        << QByteArray("a.txt > @/Documents/a 2.txt");
    QTest::newRow("next month")
        << TestDesktop::february15 << QByteArray("b.txt")
        << QByteArray("@/Documents/a.txt=F:1|Tavlin Archive/2040-02/Documents/b.txt=F:2")
        << QByteArray("b.txt > Tavlin Archive/2040-02/Documents/b.txt");
}

void TestFiling::monthFolders()
{
    QFETCH(double, secondRun);
    QFETCH(QByteArray, secondName);
    QFETCH(QByteArray, after);
    QFETCH(QByteArray, moves);

    TestDesktop desktop;
    QVERIFY(desktop.isValid());
    TidyRunner runner(desktop.services());
    QVERIFY(desktop.build(tree("a.txt=F:1")));
    QCOMPARE(runner.tidy(desktop.path()).moved, 1);

    desktop.clock.set(secondRun);
    QVERIFY(desktop.build(tree(secondName + "=F:2")));
    QCOMPARE(runner.tidy(desktop.path()).moved, 1);

    QCOMPARE(desktop.snapshot(), tree(after));
    QCOMPARE(desktop.loggedMoves(), entries(moves));
}

void TestFiling::monthFolderName_data()
{
    QTest::addColumn<QByteArray>("timeZone");
    QTest::addColumn<double>("moment");
    QTest::addColumn<QByteArray>("expected");

    const double january31Noon = 2211624000.0; // UTC
    QTest::newRow("UTC") << QByteArray("UTC0") << january31Noon << QByteArray("2040-01");
    QTest::newRow("east of UTC, already next month")
        << QByteArray("EAST-14") << january31Noon << QByteArray("2040-02");
    QTest::newRow("west of UTC, still last month")
        << QByteArray("WEST+10") << january31Noon + 17 * 3600 << QByteArray("2040-01");
}

void TestFiling::monthFolderName()
{
    QFETCH(QByteArray, timeZone);
    QFETCH(double, moment);
    QFETCH(QByteArray, expected);

    // The user's own calendar decides the month, not UTC.
    const bool wasSet = qEnvironmentVariableIsSet("TZ");
    const QByteArray saved = qgetenv("TZ");
    qputenv("TZ", timeZone);
    const QByteArray month = tavlin::monthFolderName(moment);
    if (wasSet)
        qputenv("TZ", saved);
    else
        qunsetenv("TZ");
    QCOMPARE(month, expected);
}

void TestFiling::uniqueDestination_data()
{
    QTest::addColumn<QByteArray>("existing");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("free") << QByteArray() << QByteArray("Report.pdf") << QByteArray("Report.pdf");
    QTest::newRow("taken once") << QByteArray("Report.pdf=F:") << QByteArray("Report.pdf")
                                << QByteArray("Report 2.pdf");
    QTest::newRow("taken twice") << QByteArray("Report.pdf=F:|Report 2.pdf=F:")
                                 << QByteArray("Report.pdf") << QByteArray("Report 3.pdf");
    QTest::newRow("first gap taken") << QByteArray("Report.pdf=F:|Report 3.pdf=F:")
                                     << QByteArray("Report.pdf") << QByteArray("Report 2.pdf");
    QTest::newRow("folder") << QByteArray("Notes") << QByteArray("Notes") << QByteArray("Notes 2");
    QTest::newRow("only the last dot")
        << QByteArray("archive.tar.gz=F:") << QByteArray("archive.tar.gz")
        << QByteArray("archive.tar 2.gz");
    QTest::newRow("already numbered") << QByteArray("Report 2.pdf=F:") << QByteArray("Report 2.pdf")
                                      << QByteArray("Report 2 2.pdf");
    QTest::newRow("dangling links count as taken")
        << QByteArray("Report.pdf=L:/nonexistent/target|Report 2.pdf=L:Report.pdf")
        << QByteArray("Report.pdf") << QByteArray("Report 3.pdf");
    QTest::newRow("leading dot is no extension")
        << QByteArray(".profile=F:") << QByteArray(".profile") << QByteArray(".profile 2");
    QTest::newRow("trailing dot is no extension")
        << QByteArray("notes.=F:") << QByteArray("notes.") << QByteArray("notes. 2");
}

void TestFiling::uniqueDestination()
{
    QFETCH(QByteArray, existing);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, expected);

    TestDesktop desktop;
    QVERIFY(desktop.isValid());
    QVERIFY(desktop.build(tree(existing)));

    QCOMPARE(tavlin::uniqueDestination(desktop.fileSystem, desktop.path(), name),
             desktop.at(expected));
}

void TestFiling::unreadableDesktop_data()
{
    QTest::addColumn<QByteArray>("relative");

    QTest::newRow("missing folder") << QByteArray("gone");
    QTest::newRow("a file, not a folder") << QByteArray("notes.txt");
}

void TestFiling::unreadableDesktop()
{
    QFETCH(QByteArray, relative);

    TestDesktop desktop;
    QVERIFY(desktop.isValid());
    QVERIFY(desktop.build(tree("notes.txt=F:n")));
    storeEarlierLog(desktop.settings);
    const QByteArray settingsBefore = readAll(desktop.settingsPath());
    QVERIFY(!settingsBefore.isEmpty());

    const TidyResult result = TidyRunner(desktop.services()).tidy(desktop.at(relative));

    QVERIFY(!result.listed);
    QCOMPARE(result.moved, 0);
    QCOMPARE(result.status, QStringLiteral("Couldn't read the Desktop"));
    QCOMPARE(readAll(desktop.settingsPath()), settingsBefore);
    QCOMPARE(desktop.snapshot(), tree("notes.txt=F:n"));
}

void TestFiling::refusedOperation_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<QByteArray>("refused");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QByteArray>("moves");
    QTest::addColumn<QString>("status");

    const int makeDirectory = int(FaultyFileSystem::Operation::MakeDirectory);
    QTest::newRow("category folder refused")
        << makeDirectory << QByteArray("Tavlin Archive/2040-01/Images")
        << QByteArray("photo.png=F:p|@/Documents/notes.txt=F:n")
        << QByteArray("notes.txt > @/Documents/notes.txt") << QStringLiteral("Filed 1 item");
    QTest::newRow("move refused") << int(FaultyFileSystem::Operation::Move)
                                  << QByteArray("photo.png")
                                  << QByteArray("photo.png=F:p|@/Images|@/Documents/notes.txt=F:n")
                                  << QByteArray("notes.txt > @/Documents/notes.txt")
                                  << QStringLiteral("Filed 1 item");
    QTest::newRow("archive folder refused")
        << makeDirectory << QByteArray("Tavlin Archive")
        << QByteArray("photo.png=F:p|notes.txt=F:n") << earlierLog
        << QStringLiteral("Nothing older than 7 days");
}

void TestFiling::refusedOperation()
{
    QFETCH(int, operation);
    QFETCH(QByteArray, refused);
    QFETCH(QByteArray, after);
    QFETCH(QByteArray, moves);
    QFETCH(QString, status);

    TestDesktop desktop;
    QVERIFY(desktop.isValid());
    QVERIFY(desktop.build(tree("photo.png=F:p|notes.txt=F:n")));
    storeEarlierLog(desktop.settings);
    const QByteArray refusedPath = desktop.at(refused);
    desktop.fileSystem.setFailureRule([&](FaultyFileSystem::Operation op, const QByteArray& path) {
        return int(op) == operation && path == refusedPath;
    });

    const TidyResult result = TidyRunner(desktop.services()).tidy(desktop.path());

    QVERIFY(desktop.fileSystem.refusals() > 0);
    QCOMPARE(result.status, status);
    QCOMPARE(desktop.snapshot(), tree(after));
    QCOMPARE(desktop.loggedMoves(), entries(moves));
}

QTEST_GUILESS_MAIN(TestFiling)
#include "tst_filing.moc"
