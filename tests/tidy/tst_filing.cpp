#include "tests/fakes/TestDesktop.h"
#include "tidy/ArchivePaths.h"
#include "tidy/TidyKeys.h"
#include "tidy/TidyRunner.h"

#include <algorithm>

using namespace tavlin;
using TestTree::entries;
using TestTree::tree;

namespace {

// A run that moves nothing leaves the log of an earlier run undoable.
constexpr char earlierLog[] = "/earlier/a > /earlier/b";

QByteArrayList sorted(QByteArrayList list)
{
    std::sort(list.begin(), list.end());
    return list;
}

} // namespace

class TestFiling : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tidy_data()
    {
        // Trees and move lists in the notation of TestTree::tree().
        QTest::addColumn<QByteArray>("before");
        // "mkdir PATH" or "move PATH"; "swap PATH": that folder is swapped for a link to decoys
        // beside the Desktop just before the first move, when the tidy has it open.
        QTest::addColumn<QByteArray>("refused");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QByteArray>("moves");
        QTest::addColumn<QString>("status");

        const auto row = [](const char* tag, const char* before, const char* refused,
                            const char* after, const char* moves, const char* status) {
            QTest::newRow(tag) << QByteArray(before) << QByteArray(refused) << QByteArray(after)
                               << QByteArray(moves) << QString::fromUtf8(status);
        };
        row("three items, one name taken",
            "photo.png=F:new|notes.txt=F:n|Projects/plan.txt=F:p|@/Images/photo.png=F:old", "",
            "@/Images/photo.png=F:old|@/Images/photo 2.png=F:new|@/Documents/notes.txt=F:n|"
            "@/Folders/Projects/plan.txt=F:p",
            "notes.txt > @/Documents/notes.txt|photo.png > @/Images/photo 2.png|"
            "Projects > @/Folders/Projects",
            "Filed 3 items");
        row("archive name taken by a file", "Tavlin Archive=F:mine|notes.txt=F:n", "",
            "Tavlin Archive=F:mine|notes.txt=F:n", earlierLog, "Nothing older than 7 days");
        row("name not UTF-8", "caf\xe9.txt=F:c", "", "@/Documents/caf\xe9.txt=F:c",
            "caf\xe9.txt > @/Documents/caf\xe9.txt", "Filed 1 item");
        row("link filed as a link, not its target", "shortcut=L:/nonexistent/target", "",
            "@/Other/shortcut=L:/nonexistent/target", "shortcut > @/Other/shortcut",
            "Filed 1 item");
        row("category folder refused", "photo.png=F:p|notes.txt=F:n", "mkdir @/Images",
            "photo.png=F:p|@/Documents/notes.txt=F:n", "notes.txt > @/Documents/notes.txt",
            "Filed 1 item");
        row("move refused", "photo.png=F:p|notes.txt=F:n", "move photo.png",
            "photo.png=F:p|@/Images|@/Documents/notes.txt=F:n", "notes.txt > @/Documents/notes.txt",
            "Filed 1 item");
        row("category swapped for a link mid-run", "notes.txt=F:n", "swap @/Documents",
            "@/Documents=L:../../../Outside/Tavlin Archive/2040-01/Documents|"
            "@/Documents.real/notes.txt=F:n",
            "notes.txt > @/Documents/notes.txt", "Filed 1 item");
    }
    void tidy()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, refused);
        QFETCH(QByteArray, after);
        QFETCH(QByteArray, moves);
        QFETCH(QString, status);

        TestDesktop desktop;
        QVERIFY(desktop.isValid());
        QVERIFY(desktop.build(before));
        desktop.choose();
        desktop.settings.setValue(TidyKeys::lastTidyMoves,
                                  MoveLog::toJson({{"/earlier/a", "/earlier/b"}}));
        const QByteArray swapped =
            refused.startsWith("swap ") ? entries(refused.mid(5)).value(0) : "";
        std::optional<bool> swapMade;
        TestTree::Snapshot decoys;
        if (!swapped.isEmpty()) {
            desktop.fileSystem.setFailureRule(
                [&](FaultyFileSystem::Operation op, const QByteArray&) {
                    if (op == FaultyFileSystem::Operation::Move && !swapMade) {
                        swapMade = desktop.swapForLink(swapped);
                        decoys = TestTree::snapshot(desktop.outsidePath());
                    }
                    return false;
                });
        } else if (!refused.isEmpty()) {
            desktop.refuse(refused.startsWith("mkdir ") ? FaultyFileSystem::Operation::MakeDirectory
                                                        : FaultyFileSystem::Operation::Move,
                           entries(refused.mid(refused.indexOf(' ') + 1)).constFirst());
        }
        TidyRunner runner(desktop.services());
        const auto scanned = runner.scan(desktop.path());
        QVERIFY(scanned);

        const TidyResult result = runner.tidy(desktop.path());

        QCOMPARE(result.status, status);
        QVERIFY(result.listed);
        QCOMPARE(desktop.fileSystem.refusals() > 0, !refused.isEmpty() && swapped.isEmpty());
        QCOMPARE(swapMade.value_or(false), !swapped.isEmpty());
        QCOMPARE(desktop.snapshot(), tree(after));
        QCOMPARE(TestTree::snapshot(desktop.outsidePath()), decoys);
        QCOMPARE(sorted(desktop.loggedMoves()), sorted(entries(moves)));
        QCOMPARE(desktop.settings.date(TidyKeys::lastTidyDate), desktop.clock.now());
        if (refused.isEmpty() && result.moved > 0) {
            // Logged in the order the scan found them.
            QCOMPARE(size_t(result.moved), scanned->size());
            for (size_t i = 0; i < scanned->size(); ++i)
                QVERIFY(desktop.loggedMoves()[qsizetype(i)].startsWith(scanned->at(i).name + " >"));
        }
    }

    void monthFolders_data()
    {
        QTest::addColumn<double>("secondRun");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QByteArray>("moves");

        QTest::newRow("same name later that month")
            << TestDesktop::january15 + 5 * TestDesktop::day
            << QByteArray("@/Documents/a.txt=F:1|@/Documents/a 2.txt=F:2")
            << QByteArray("a.txt > @/Documents/a 2.txt");
        QTest::newRow("next month")
            << TestDesktop::february15
            << QByteArray("@/Documents/a.txt=F:1|Tavlin Archive/2040-02/Documents/a.txt=F:2")
            << QByteArray("a.txt > Tavlin Archive/2040-02/Documents/a.txt");
    }
    void monthFolders()
    {
        QFETCH(double, secondRun);
        QFETCH(QByteArray, after);
        QFETCH(QByteArray, moves);

        TestDesktop desktop;
        TidyRunner runner(desktop.services());
        QVERIFY(desktop.build("a.txt=F:1"));
        QCOMPARE(runner.tidy(desktop.path()).moved, 1);
        desktop.clock.set(secondRun);
        QVERIFY(desktop.build("a.txt=F:2"));
        QCOMPARE(runner.tidy(desktop.path()).moved, 1);

        QCOMPARE(desktop.snapshot(), tree(after));
        QCOMPARE(desktop.loggedMoves(), entries(moves));
    }

    void monthFolderName_data()
    {
        QTest::addColumn<QByteArray>("timeZone");
        QTest::addColumn<double>("moment");
        QTest::addColumn<QByteArray>("expected");

        const double january31Noon = 2211624000.0; // UTC
        QTest::newRow("east of UTC, already next month")
            << QByteArray("EAST-14") << january31Noon << QByteArray("2040-02");
        QTest::newRow("west of UTC, still last month")
            << QByteArray("WEST+10") << january31Noon + 17 * 3600 << QByteArray("2040-01");
    }
    void monthFolderName()
    {
        QFETCH(QByteArray, timeZone);
        QFETCH(double, moment);

        // The user's own calendar decides the month, not UTC.
        const auto saved = TestTree::setEnvironment("TZ", timeZone);
        const QByteArray month = tavlin::monthFolderName(moment);
        TestTree::setEnvironment("TZ", saved);
        QTEST(month, "expected");
    }

    void freeName_data()
    {
        QTest::addColumn<QByteArray>("existing");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("taken twice") << QByteArray("Report.pdf=F:|Report 2.pdf=F:")
                                     << QByteArray("Report.pdf") << QByteArray("Report 3.pdf");
        QTest::newRow("only the last dot")
            << QByteArray("archive.tar.gz=F:") << QByteArray("archive.tar.gz")
            << QByteArray("archive.tar 2.gz");
        QTest::newRow("dangling links count as taken")
            << QByteArray("Report.pdf=L:/nonexistent/target|Report 2.pdf=L:Report.pdf")
            << QByteArray("Report.pdf") << QByteArray("Report 3.pdf");
        QTest::newRow("leading dot is no extension")
            << QByteArray(".profile=F:") << QByteArray(".profile") << QByteArray(".profile 2");
    }
    void freeName()
    {
        QFETCH(QByteArray, existing);
        QFETCH(QByteArray, name);

        TestDesktop desktop;
        QVERIFY(desktop.build(existing));
        const std::unique_ptr<FolderHandle> folder = desktop.fileSystem.openFolder(desktop.path());
        QVERIFY(folder);
        QTEST(tavlin::freeName(desktop.fileSystem, *folder, name), "expected");
    }
};

QTEST_GUILESS_MAIN(TestFiling)
#include "tst_filing.moc"
