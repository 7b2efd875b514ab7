// The tidy's rules one by one: which items are old, where each is filed, and how paths are
// written into the move log.
#include "tests/fakes/TestDesktop.h"
#include "tidy/Classifier.h"
#include "tidy/DesktopScanner.h"
#include "tidy/MoveJournal.h"
#include "tidy/StoredPath.h"

#include <QTest>
#include <algorithm>
#include <cmath>
#include <ctime>

using namespace tavlin;

namespace {

using G = TypeGroup;

ItemValues values(ItemKind kind, bool isPackage = false)
{
    ItemValues result;
    result.kind = kind;
    result.isDirectory = kind == ItemKind::Directory;
    result.isPackage = isPackage;
    return result;
}

QByteArrayList names(const std::optional<std::vector<TidyCandidate>>& candidates)
{
    if (!candidates)
        return {"(not listed)"};
    QByteArrayList result;
    for (const TidyCandidate& candidate : *candidates)
        result.append(candidate.name);
    return result;
}

} // namespace

class TestTidyRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void threshold_data()
    {
        // Which date is the later one, or which dates the listing knows.
        QTest::addColumn<QByteArray>("dates");
        QTest::addColumn<qint64>("days");
        // Seconds by which the clock is past the moment the item turns exactly `days` old.
        QTest::addColumn<double>("pastBoundary");
        QTest::addColumn<bool>("candidate");

        const auto row = [](const char* tag, const char* dates, qint64 days, double past,
                            bool candidate) {
            QTest::newRow(tag) << QByteArray(dates) << days << past << candidate;
        };
        row("exactly a week old", "modified later", 7, 0, false);
        row("a second over a week", "modified later", 7, 1, true);
        row("negative threshold, dated an hour after now", "modified later", -1, 82800, true);
        row("negative threshold, dated a day after now", "modified later", -1, 0, false);
        row("threshold beyond 32-bit seconds", "modified later", 100000, 1, true);
        row("old file that arrived recently", "arrival later", 7, -60, false);
        row("old file that arrived long ago", "arrival later", 7, 60, true);
        // A missing date counts as older than any threshold.
        row("only the modification known", "only modified", 1, -1, false);
        row("only the arrival known", "only arrival", 1, -1, false);
        row("no dates known", "none", 1, -1, true);
    }
    void threshold()
    {
        QFETCH(QByteArray, dates);
        QFETCH(qint64, days);
        QFETCH(double, pastBoundary);
        QFETCH(bool, candidate);

        TestDesktop desktop;
        const QByteArray item = desktop.at("item");
        QVERIFY(TestTree::writeFile(item));
        // The arrival time cannot be set, so one date is moved clear of it and the clock is set
        // relative to whichever is later.
        double date = TestTree::changedTime(item);
        if (dates.contains("arrival")) {
            QVERIFY(TestTree::setModified(item, std::time(nullptr) - 365 * TestDesktop::day));
            date = TestTree::changedTime(item);
        } else {
            date = std::floor(date) + 1000;
            QVERIFY(TestTree::setModified(item, date));
            QVERIFY(TestTree::changedTime(item) < date);
        }
        desktop.fileSystem.unknownModified = dates == "only arrival" || dates == "none";
        desktop.fileSystem.unknownChanged = dates == "only modified" || dates == "none";
        const double now = date + double(days) * TestDesktop::day + pastBoundary;

        QCOMPARE(names(scanDesktop(desktop.fileSystem, desktop.path(), days, now)),
                 candidate ? QByteArrayList{"item"} : QByteArrayList{});
    }

    // The archive is never a candidate, whatever it is; other spellings of its name are.
    void archiveSkipped_data()
    {
        QTest::addColumn<QByteArray>("tree"); // as TestTree::tree() reads it
        QTest::addColumn<QByteArrayList>("expected");

        QTest::newRow("archive folder skipped, other spellings not")
            << QByteArray("Tavlin Archive|tavlin archive|Tavlin Archive 2")
            << QByteArrayList{"Tavlin Archive 2", "tavlin archive"};
        QTest::newRow("archive name on a file skipped")
            << QByteArray("Tavlin Archive=F:x") << QByteArrayList{};
    }
    void archiveSkipped()
    {
        QFETCH(QByteArray, tree);
        TestDesktop desktop;
        QVERIFY(desktop.build(tree));

        const auto found = scanDesktop(desktop.fileSystem, desktop.path(), 7, desktop.clock.now());
        QByteArrayList sorted = names(found);
        std::sort(sorted.begin(), sorted.end());
        QTEST(sorted, "expected");
        for (const TidyCandidate& candidate : *found)
            QCOMPARE(candidate.path, desktop.at(candidate.name));
    }

    void unreadableFolder_data()
    {
        QTest::addColumn<QByteArray>("relative");
        QTest::newRow("missing folder") << QByteArray("gone");
        QTest::newRow("dangling link") << QByteArray("dangling");
    }
    void unreadableFolder()
    {
        QFETCH(QByteArray, relative);
        TestDesktop desktop;
        QVERIFY(desktop.build("file=F:x|dangling=L:/nonexistent/target"));
        QVERIFY(!scanDesktop(desktop.fileSystem, desktop.at(relative), 7, desktop.clock.now()));
    }

    void categoryFor_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<ItemValues>("values");
        QTest::addColumn<std::optional<TypeGroups>>("type");
        QTest::addColumn<QString>("expected");

        const ItemValues file = values(ItemKind::File);
        const ItemValues folder = values(ItemKind::Directory);
        const auto row = [](const char* tag, const char* name, const ItemValues& item,
                            std::optional<TypeGroups> type, const QString& expected) {
            QTest::newRow(tag) << QByteArray(name) << item << type << expected;
        };
        const auto typed = [](TypeGroups groups) { return std::optional(groups); };

        // Screen captures go by name, whatever they are.
        row("screenshot", "Screenshot 2025-01-01 at 10.00.00.png", file, typed(G::Image),
            Category::screenshots);
        row("screenshot folder", "Screenshots from the trip", folder, typed({}),
            Category::screenshots);
        row("lower-case prefix goes by type", "screenshot.png", file, typed(G::Image),
            Category::images);
        row("no-break space is not a space", "Screen\xc2\xa0Shot 1.png", file, typed(G::Image),
            Category::images);
        row("name not UTF-8", "Scre\xff\xfe.png", file, typed(G::Image), Category::images);

        // Folders, and package folders that go by type.
        row("plain folder", "Projects", folder, std::nullopt, Category::folders);
        row("package of an app", "Tool.app", values(ItemKind::Directory, true),
            typed(G::Application), Category::apps);

        // By content type; the first family in the order of the categories wins.
        row("no content type", "socket", file, std::nullopt, Category::other);
        row("pdf", "a.pdf", file, typed(G::Pdf), Category::pdfs);
        row("archive", "a.zip", file, typed(G::Archive), Category::archives);
        row("pkg of a type that is no archive", "setup.pkg", file, typed(G::Text),
            Category::archives);
        row("PKG in capitals goes on", "SETUP.PKG", file, typed(G::Text), Category::documents);
        row("pkg without a type", "setup.pkg", file, std::nullopt, Category::other);
        row("source code that is text", "a.cpp", file, typed(TypeGroups(G::SourceCode) | G::Text),
            Category::code);
        row("composite", "a.odt", file, typed(G::CompositeContent), Category::documents);
        row("type in no family", "a.xyz", file, typed({}), Category::other);
    }
    void categoryFor()
    {
        QFETCH(QByteArray, name);
        QFETCH(ItemValues, values);
        QFETCH(std::optional<TypeGroups>, type);
        QTEST(tavlin::categoryFor(name, values, type), "expected");
    }

    void storedPaths_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QString>("stored");

        QTest::newRow("UTF-8")
            << QByteArray("/home/ann/Skrivbord/caf\xc3\xa9 \xe2\x9c\x93 \xf0\x9f\x98\x80")
            << QString::fromUtf8("/home/ann/Skrivbord/caf\xc3\xa9 \xe2\x9c\x93 \xf0\x9f\x98\x80");
        QTest::newRow("escape written out in a name")
            << QByteArray("/d/\\x41") << QStringLiteral("/d/\\\\x41");
        QTest::newRow("overlong slash")
            << QByteArray("/d/\xc0\xaf") << QStringLiteral("/d/\\xc0\\xaf");
        QTest::newRow("beyond U+10FFFF")
            << QByteArray("/d/\xf4\x90\x80\x80") << QStringLiteral("/d/\\xf4\\x90\\x80\\x80");
        QTest::newRow("cut-off sequence at the end")
            << QByteArray("/d/\xe2\x9c") << QStringLiteral("/d/\\xe2\\x9c");
    }
    void storedPaths()
    {
        QFETCH(QByteArray, path);
        QFETCH(QString, stored);

        QCOMPARE(StoredPath::encode(path), stored);
        QCOMPARE(StoredPath::decode(stored), std::optional(path));

        // And through a move log, in order.
        const std::vector<MoveRecord> records{{path, path + "/Archive/\xff"}, {"/plain", path}};
        const auto journal = MoveJournal::parse(MoveJournal::compact(path, records));
        QVERIFY(journal);
        QCOMPARE(journal->desktop, path);
        QCOMPARE(journal->records.size(), records.size());
        for (size_t i = 0; i < records.size(); ++i)
            QCOMPARE(journal->records[i].move, std::optional(records[i]));
    }

    void decodeRejects_data()
    {
        QTest::addColumn<QString>("text");

        QTest::newRow("escape cut off") << QStringLiteral("/d/\\x");
        QTest::newRow("not hex") << QStringLiteral("/d/\\xZ1");
        QTest::newRow("unknown escape") << QStringLiteral("/d/\\n");
        QTest::newRow("escaped NUL") << QStringLiteral("/d/\\x00");
        QTest::newRow("raw NUL") << QStringView(u"/d/a\0b", 6).toString();
    }
    void decodeRejects()
    {
        QFETCH(QString, text);
        QCOMPARE(StoredPath::decode(text), std::optional<QByteArray>());
    }
};

QTEST_GUILESS_MAIN(TestTidyRules)
#include "tst_tidyrules.moc"
