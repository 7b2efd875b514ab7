// Filing the Desktop into the archive, and taking it back.
#include "tests/fakes/TestDesktop.h"
#include "tidy/ArchivePaths.h"
#include "tidy/StoredPath.h"
#include "tidy/TidyKeys.h"
#include "tidy/TidyRunner.h"

#include <QJsonDocument>
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
            const auto operation = refused.startsWith("mkdir ")
                                       ? FaultyFileSystem::Operation::MakeDirectory
                                       : FaultyFileSystem::Operation::Move;
            const QByteArray item = desktop.at(entries(refused.mid(refused.indexOf(' ') + 1))[0]);
            desktop.fileSystem.setFailureRule([operation, item](auto op, const QByteArray& path) {
                return op == operation && path == item;
            });
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

    // A tidy in the next month files into a month folder of its own.
    void nextMonth()
    {
        TestDesktop desktop;
        TidyRunner runner(desktop.services());
        QVERIFY(desktop.build("a.txt=F:1"));
        QCOMPARE(runner.tidy(desktop.path()).moved, 1);
        desktop.clock.set(TestDesktop::february15);
        QVERIFY(desktop.build("a.txt=F:2"));
        QCOMPARE(runner.tidy(desktop.path()).moved, 1);

        QCOMPARE(desktop.snapshot(),
                 tree("@/Documents/a.txt=F:1|Tavlin Archive/2040-02/Documents/a.txt=F:2"));
        QCOMPARE(desktop.loggedMoves(), entries("a.txt > Tavlin Archive/2040-02/Documents/a.txt"));
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
    void undo_data()
    {
        // Trees in the notation of TestTree::tree().
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("removeAfterTidy");
        QTest::addColumn<QByteArray>("addAfterTidy");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("arrival"); // a file put in a folder as it is swept
        // "open F": folder F is swapped for a link to decoys just before the undo opens it;
        // "move F": just before the first move back, when its folders are open.
        QTest::addColumn<QByteArray>("swap");

        const auto row = [](const char* tag, const char* before, const char* removed,
                            const char* added, const char* after, const char* text,
                            const char* arrival = "", const char* swap = "") {
            QTest::newRow(tag) << QByteArray(before) << QByteArray(removed) << QByteArray(added)
                               << QByteArray(after) << QString::fromUtf8(text)
                               << entries(arrival).value(0) << QByteArray(swap);
        };
        const char* const three = "photo.png=F:p|notes.txt=F:n|Projects/plan.txt=F:plan";
        const char* const one = "notes.txt=F:n";
        row("metadata files left in the archive", three, "",
            "Tavlin Archive/.DS_Store=F:|@/.DS_Store=F:|@/Images/.DS_Store=F:", three,
            "Restored 3 items");
        row("one gone, one place taken", "photo.png=F:p|notes.txt=F:n|todo.txt=F:t",
            "@/Documents/todo.txt", "notes.txt=F:newcomer",
            "photo.png=F:p|notes.txt=F:newcomer|notes 2.txt=F:n",
            "Restored 2 items, 1 no longer in the archive");
        row("earlier item keeps its folders, empty ones go",
            "notes.txt=F:n|@/Images/earlier.png=F:e|Tavlin Archive/2039-12/Videos", "", "",
            "notes.txt=F:n|@/Images/earlier.png=F:e", "Restored 1 item");
        // A folder of that name is not the metadata file it is named after.
        row("folder named .DS_Store kept", one, "", "@/Documents/.DS_Store/mine.txt=F:mine",
            "notes.txt=F:n|@/Documents/.DS_Store/mine.txt=F:mine", "Restored 1 item");
        // Folders reached through a link live elsewhere and are not the archive's to sweep.
        row("linked category folder not swept", one, "", "elsewhere|@/Linked=L:../../elsewhere",
            "notes.txt=F:n|elsewhere|@/Linked=L:../../elsewhere", "Restored 1 item");
        row("linked archive not swept", one, "Tavlin Archive",
            "elsewhere/2040-01/Documents|Tavlin Archive=L:elsewhere",
            "elsewhere/2040-01/Documents|Tavlin Archive=L:elsewhere",
            "Restored 0 items, 1 refused (not from this Desktop)");
        row("metadata file and an arrival", one, "", "@/Documents/.DS_Store=F:",
            "notes.txt=F:n|@/Documents/download.part=F:", "Restored 1 item",
            "@/Documents/download.part");
        // Someone who may write to the Desktop swaps a folder for a link after the records were
        // judged: nothing beside the Desktop moves, and no item is lost.
        const char* const refused = "Restored 0 items, 1 refused (not from this Desktop)";
        row("category swapped for a link before it is opened", one, "", "",
            "@/Documents=L:../../../Outside/Tavlin Archive/2040-01/Documents|"
            "@/Documents.real/notes.txt=F:n",
            refused, "", "open @/Documents");
        row("month swapped for a link before it is opened", one, "", "",
            "Tavlin Archive/2040-01=L:../../Outside/Tavlin Archive/2040-01|"
            "Tavlin Archive/2040-01.real/Documents/notes.txt=F:n",
            refused, "", "open Tavlin Archive/2040-01");
        row("category swapped for a link once it is open", one, "", "",
            "notes.txt=F:n|@/Documents=L:../../../Outside/Tavlin Archive/2040-01/Documents",
            "Restored 1 item", "", "move @/Documents");
    }
    void undo()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, removeAfterTidy);
        QFETCH(QByteArray, addAfterTidy);
        QFETCH(QByteArray, after);
        QFETCH(QByteArray, arrival);
        QFETCH(QByteArray, swap);

        TestDesktop desktop;
        QVERIFY(desktop.build(before));
        TidyRunner runner(desktop.services());
        QVERIFY(runner.tidy(desktop.path()).moved > 0);
        for (const QByteArray& relative : entries(removeAfterTidy))
            QVERIFY(TestTree::remove(desktop.at(relative)));
        // Only what is not there yet: the month and category folders are.
        TestTree::Snapshot added = tree(addAfterTidy);
        std::erase_if(added,
                      [&](const auto& item) { return TestTree::exists(desktop.at(item.first)); });
        QVERIFY(TestTree::build(desktop.path(), added));
        QByteArrayList swept;
        const QByteArray swapped = entries(swap.mid(5)).value(0);
        std::optional<bool> swapMade;
        TestTree::Snapshot decoys;
        desktop.fileSystem.setFailureRule([&](FaultyFileSystem::Operation op,
                                              const QByteArray& path) {
            using enum FaultyFileSystem::Operation;
            const QByteArray relative = desktop.relative(path);
            if (!swapMade && !swapped.isEmpty() &&
                (swap.startsWith("open ") ? op == OpenFolder && relative == swapped : op == Move)) {
                swapMade = desktop.swapForLink(swapped);
                decoys = TestTree::snapshot(desktop.outsidePath());
            }
            if (op != RemoveFolder && op != RemoveFile)
                return false;
            if (!arrival.isEmpty() && arrival.startsWith(relative + '/'))
                TestTree::writeFile(desktop.at(arrival));
            else
                swept.append(relative);
            return false;
        });

        QTEST(runner.undo(desktop.path()).status, "text");
        QCOMPARE(desktop.snapshot(), tree(after));
        QCOMPARE(swapMade.value_or(false), !swapped.isEmpty());
        QCOMPARE(TestTree::snapshot(desktop.outsidePath()), decoys);
        // The sweep never even asks to remove what must stay.
        for (const QByteArray& relative : swept)
            QVERIFY2(!tree(after).count(relative), relative.constData());
        QVERIFY(desktop.loggedMoves().isEmpty());
    }

    // Refused by the system, or not known to be gone: kept for a retry, never dropped.
    void refusedMoveBack_data()
    {
        QTest::addColumn<bool>("lookupRefused"); // as a permission error refuses both
        QTest::newRow("move refused") << false;
        QTest::newRow("move and lookup refused") << true;
    }
    void refusedMoveBack()
    {
        QFETCH(bool, lookupRefused);
        TestDesktop desktop;
        QVERIFY(desktop.build("notes.txt=F:n|photo.png=F:p"));
        TidyRunner runner(desktop.services());
        QCOMPARE(runner.tidy(desktop.path()).moved, 2);
        const QByteArray archived = desktop.at(TestTree::thisMonth + "Documents/notes.txt");
        desktop.fileSystem.setFailureRule(
            [&](FaultyFileSystem::Operation op, const QByteArray& at) {
                using enum FaultyFileSystem::Operation;
                return at == archived && (op == Move || (op == Lookup && lookupRefused));
            });

        QCOMPARE(runner.undo(desktop.path()).status,
                 QStringLiteral("Restored 1 item, 1 couldn't be moved back"));
        QCOMPARE(desktop.snapshot(), tree("photo.png=F:p|@/Documents/notes.txt=F:n"));
        QCOMPARE(desktop.loggedMoves(), entries("notes.txt > @/Documents/notes.txt"));

        // Once the system lets it, the retry brings it home and the archive goes.
        desktop.fileSystem.setFailureRule({});
        QCOMPARE(runner.undo(desktop.path()).status, QStringLiteral("Restored 1 item"));
        QCOMPARE(desktop.snapshot(), tree("notes.txt=F:n|photo.png=F:p"));
        QVERIFY(desktop.loggedMoves().isEmpty());
    }

    // The log an older version kept in the settings, read once and then kept in the state
    // folder; only moves from this Desktop into its archive are carried out.
    void settingsLog_data()
    {
        // @FROM@ and @TO@ stand for the real record's paths, @OUT@ for a file beside the
        // Desktop that must stay where it is, @DESKTOP@ for the Desktop's own path.
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<int>("undoCount"); // what the menu offers to undo
        QTest::addColumn<QString>("text");

        QTest::newRow("well-formed")
            << QByteArray(R"([["@FROM@","@TO@"]])") << 1 << QStringLiteral("Restored 1 item");
        QTest::newRow("broken escape") << QByteArray(R"([["@FROM@","@TO@"],["\\xZZ","@TO@"]])") << 0
                                       << QStringLiteral("Restored 0 items");
        // A record of the wrong length is skipped, not counted and not taken as from/to.
        QTest::newRow("wrong lengths dropped")
            << QByteArray(R"([["@TO@"],["@FROM@","@TO@","@TO@"],["@FROM@","@TO@"]])") << 1
            << QStringLiteral("Restored 1 item");
        QTest::newRow("archive path outside the archive")
            << QByteArray(R"([["@FROM@","@OUT@"]])") << 0
            << QStringLiteral("Restored 0 items, 1 refused (not from this Desktop)");
        QTest::newRow("former place outside the Desktop")
            << QByteArray(R"([["@OUT@","@TO@"]])") << 0
            << QStringLiteral("Restored 0 items, 1 refused (not from this Desktop)");
        QTest::newRow("former place in a folder whose name starts like the Desktop's")
            << QByteArray(R"([["@DESKTOP@2/notes.txt","@TO@"]])") << 0
            << QStringLiteral("Restored 0 items, 1 refused (not from this Desktop)");
        QTest::newRow("archive path climbing out")
            << QByteArray(R"([["@FROM@","@TO@/../../../../../outside.txt"]])") << 0
            << QStringLiteral("Restored 0 items, 1 refused (not from this Desktop)");
    }
    void settingsLog()
    {
        QFETCH(QByteArray, log);
        QFETCH(int, undoCount);
        QFETCH(QString, text);

        TestDesktop desktop;
        desktop.choose();
        QVERIFY(desktop.build("notes.txt=F:n"));
        QVERIFY(TestTree::writeFile(desktop.scratch() + "/outside.txt", "o"));
        QVERIFY(TestTree::makeFolder(desktop.path() + "2"));
        TidyRunner runner(desktop.services());
        QCOMPARE(runner.tidy(desktop.path()).moved, 1);
        QVERIFY(TestTree::remove(desktop.logPath()));
        // An emptied folder beside the archived item: the sweep runs whatever the log held.
        QVERIFY(TestTree::makeFolder(desktop.at(TestTree::thisMonth + "Videos")));
        const QByteArray from = StoredPath::encode(desktop.at("notes.txt")).toUtf8();
        const QByteArray to =
            StoredPath::encode(desktop.at(TestTree::thisMonth + "Documents/notes.txt")).toUtf8();
        const QJsonDocument document =
            QJsonDocument::fromJson(log.replace("@FROM@", from)
                                        .replace("@TO@", to)
                                        .replace("@OUT@", desktop.scratch() + "/outside.txt")
                                        .replace("@DESKTOP@", desktop.path()));
        QVERIFY(!document.isNull());
        desktop.settings.setValue(TidyKeys::lastTidyMoves, document.isArray()
                                                               ? QJsonValue(document.array())
                                                               : QJsonValue(document.object()));
        QCOMPARE(runner.undoCount(desktop.path()), undoCount);

        QCOMPARE(runner.undo(desktop.path()).status, text);
        QVERIFY(desktop.loggedMoves().isEmpty());
        const bool restored = text == QStringLiteral("Restored 1 item");
        QCOMPARE(desktop.snapshot(),
                 tree(restored ? "notes.txt=F:n" : "@/Documents/notes.txt=F:n"));
        QCOMPARE(TestTree::readFile(desktop.scratch() + "/outside.txt"), QByteArray("o"));
    }

    // Older versions could write a log that their settings reader then refused as too large.
    void settingsLogBeyondTheOldSizeLimit()
    {
        TestDesktop desktop;
        desktop.choose();
        QVERIFY(desktop.build("notes.txt=F:n"));
        TidyRunner runner(desktop.services());
        QCOMPARE(runner.tidy(desktop.path()).moved, 1);
        QVERIFY(TestTree::remove(desktop.logPath()));
        const QJsonArray record{
            StoredPath::encode(desktop.at("notes.txt")),
            StoredPath::encode(desktop.at(TestTree::thisMonth + "Documents/notes.txt"))};
        desktop.settings.setValues(
            {{TidyKeys::lastTidyMoves, QJsonArray{record}},
             {QStringLiteral("padding"), QString(17 * 1024 * 1024, QLatin1Char('x'))}});

        QCOMPARE(TidyRunner(desktop.services()).undo(desktop.path()).status,
                 QStringLiteral("Restored 1 item"));
        QCOMPARE(desktop.snapshot(), tree("notes.txt=F:n"));
    }
};

QTEST_GUILESS_MAIN(TestFiling)
#include "tst_filing.moc"
