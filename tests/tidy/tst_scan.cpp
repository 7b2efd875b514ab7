#include "tests/fakes/TestDesktop.h"
#include "tidy/DesktopScanner.h"

#include <algorithm>
#include <cmath>
#include <ctime>

using namespace tavlin;

namespace {

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

class TestScan : public QObject
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
        row("threshold zero, dated now", "modified later", 0, 0, false);
        row("threshold zero, dated a second ago", "modified later", 0, 1, true);
        row("negative threshold, dated an hour after now", "modified later", -1, 82800, true);
        row("negative threshold, dated a day after now", "modified later", -1, 0, false);
        row("threshold beyond 32-bit seconds", "modified later", 100000, 1, true);
        row("a second short of that threshold", "modified later", 100000, -1, false);
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

    void whichItems_data()
    {
        QTest::addColumn<QByteArray>("tree"); // as TestTree::tree() reads it
        QTest::addColumn<QByteArray>("fresh");
        QTest::addColumn<QByteArrayList>("expected");

        QTest::newRow("immediate children only") << QByteArray("a.txt=F:a|dir/inner.txt=F:i")
                                                 << QByteArray() << QByteArrayList{"a.txt", "dir"};
        QTest::newRow("hidden names never")
            << QByteArray(".hidden=F:h|.config|seen=F:s") << QByteArray() << QByteArrayList{"seen"};
        QTest::newRow("archive folder skipped, other spellings not")
            << QByteArray("Tavlin Archive|tavlin archive|Tavlin Archive 2") << QByteArray()
            << QByteArrayList{"Tavlin Archive 2", "tavlin archive"};
        QTest::newRow("archive name on a file skipped")
            << QByteArray("Tavlin Archive=F:x") << QByteArray() << QByteArrayList{};
        QTest::newRow("links count, dangling or not")
            << QByteArray("dangling=L:/nonexistent/target|to-dir=L:/") << QByteArray()
            << QByteArrayList{"dangling", "to-dir"};
        QTest::newRow("fresh items stay")
            << QByteArray("new.txt=F:n|old.txt=F:o|newdir") << QByteArray("new.txt|newdir")
            << QByteArrayList{"old.txt"};
    }
    void whichItems()
    {
        QFETCH(QByteArray, tree);
        QFETCH(QByteArray, fresh);
        QFETCH(QByteArrayList, expected);

        TestDesktop desktop;
        QVERIFY(desktop.build(tree, fresh));

        const auto found = scanDesktop(desktop.fileSystem, desktop.path(), 7, desktop.clock.now());
        QByteArrayList sorted = names(found);
        std::sort(sorted.begin(), sorted.end());
        QCOMPARE(sorted, expected);
        // In listing order, with their full paths.
        QByteArrayList order;
        const auto listed =
            desktop.fileSystem.listNames(*desktop.fileSystem.openFolder(desktop.path()));
        QVERIFY(listed);
        for (const QByteArray& name : *listed)
            if (expected.contains(name))
                order.append(name);
        QCOMPARE(names(found), order);
        for (const TidyCandidate& candidate : *found)
            QCOMPARE(candidate.path, desktop.at(candidate.name));
    }

    void unreadableFolder_data()
    {
        QTest::addColumn<QByteArray>("relative");
        QTest::newRow("missing folder") << QByteArray("gone");
        QTest::newRow("a file, not a folder") << QByteArray("file");
        QTest::newRow("dangling link") << QByteArray("dangling");
    }
    void unreadableFolder()
    {
        QFETCH(QByteArray, relative);
        TestDesktop desktop;
        QVERIFY(desktop.build("file=F:x|dangling=L:/nonexistent/target"));
        QVERIFY(!scanDesktop(desktop.fileSystem, desktop.at(relative), 7, desktop.clock.now()));
    }
};

QTEST_GUILESS_MAIN(TestScan)
#include "tst_scan.moc"
