#include "tests/fakes/TestDesktop.h"
#include "tidy/DesktopScanner.h"

#include <QTest>
#include <algorithm>
#include <cmath>
#include <ctime>

using namespace tavlin;

namespace {

// The real file system, except that it cannot tell the dates it was asked to leave out.
class DatelessFileSystem final : public PosixFileSystem
{
public:
    DatelessFileSystem(bool dropModified, bool dropChanged)
        : m_dropModified(dropModified), m_dropChanged(dropChanged)
    {
    }

    std::optional<std::vector<DirectoryItem>> listItems(const QByteArray& folder) const override
    {
        auto items = PosixFileSystem::listItems(folder);
        if (items) {
            for (DirectoryItem& item : *items) {
                if (m_dropModified)
                    item.stat.modified.reset();
                if (m_dropChanged)
                    item.stat.changed.reset();
            }
        }
        return items;
    }

private:
    bool m_dropModified;
    bool m_dropChanged;
};

QByteArrayList names(const std::vector<TidyCandidate>& candidates)
{
    QByteArrayList result;
    for (const TidyCandidate& candidate : candidates)
        result.append(candidate.name);
    return result;
}

} // namespace

class TestScan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void threshold_data();
    void threshold();
    void whichItems_data();
    void whichItems();
    void unreadableFolder_data();
    void unreadableFolder();
    void missingDates_data();
    void missingDates();
};

void TestScan::threshold_data()
{
    QTest::addColumn<bool>("arrivalIsLater");
    QTest::addColumn<qint64>("days");
    // Seconds by which the clock is past the moment the item turns exactly `days` old.
    QTest::addColumn<double>("pastBoundary");
    QTest::addColumn<bool>("candidate");

    QTest::newRow("exactly a week old") << false << qint64(7) << 0.0 << false;
    QTest::newRow("a second over a week") << false << qint64(7) << 1.0 << true;
    QTest::newRow("a second short of a week") << false << qint64(7) << -1.0 << false;
    QTest::newRow("threshold zero, dated now") << false << qint64(0) << 0.0 << false;
    QTest::newRow("threshold zero, dated a second ago") << false << qint64(0) << 1.0 << true;
    QTest::newRow("negative threshold, dated an hour after now")
        << false << qint64(-1) << 82800.0 << true;
    QTest::newRow("negative threshold, dated a day after now")
        << false << qint64(-1) << 0.0 << false;
    QTest::newRow("threshold beyond 32-bit seconds") << false << qint64(100000) << 1.0 << true;
    QTest::newRow("a second short of that threshold") << false << qint64(100000) << -1.0 << false;
    QTest::newRow("old file that arrived recently") << true << qint64(7) << -60.0 << false;
    QTest::newRow("old file that arrived long ago") << true << qint64(7) << 60.0 << true;
}

void TestScan::threshold()
{
    QFETCH(bool, arrivalIsLater);
    QFETCH(qint64, days);
    QFETCH(double, pastBoundary);
    QFETCH(bool, candidate);

    TestDesktop desktop;
    QVERIFY(desktop.isValid());
    const QByteArray item = desktop.at("item");
    QVERIFY(TestTree::writeFile(item));

    // The arrival time cannot be set, so one date is moved clear of it and the clock is set
    // relative to whichever is later.
    double date;
    if (arrivalIsLater) {
        QVERIFY(TestTree::setModified(item, double(std::time(nullptr)) - 365 * TestDesktop::day));
        date = TestTree::changedTime(item);
    } else {
        date = std::floor(TestTree::changedTime(item)) + 1000;
        QVERIFY(TestTree::setModified(item, date));
        QVERIFY(TestTree::changedTime(item) < date);
    }
    const double now = date + double(days) * TestDesktop::day + pastBoundary;

    const auto found = scanDesktop(desktop.fileSystem, desktop.path(), days, now);
    QVERIFY(found);
    QCOMPARE(names(*found), candidate ? QByteArrayList{"item"} : QByteArrayList{});
}

void TestScan::whichItems_data()
{
    QTest::addColumn<QByteArray>("tree"); // as TestTree::tree() reads it
    QTest::addColumn<QByteArray>("fresh");
    QTest::addColumn<QByteArrayList>("expected");

    QTest::newRow("empty folder") << QByteArray() << QByteArray() << QByteArrayList{};
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
    QTest::newRow("fresh items stay") << QByteArray("new.txt=F:n|old.txt=F:o|newdir")
                                      << QByteArray("new.txt|newdir") << QByteArrayList{"old.txt"};
}

void TestScan::whichItems()
{
    QFETCH(QByteArray, tree);
    QFETCH(QByteArray, fresh);
    QFETCH(QByteArrayList, expected);

    TestDesktop desktop;
    QVERIFY(desktop.isValid());
    QVERIFY(desktop.build(TestTree::tree(tree), TestTree::entries(fresh)));

    const auto found = scanDesktop(desktop.fileSystem, desktop.path(), 7, desktop.clock.now());
    QVERIFY(found);
    QByteArrayList sorted = names(*found);
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(sorted, expected);

    // In listing order, with their full paths.
    const auto listed = desktop.fileSystem.listNames(desktop.path());
    QVERIFY(listed);
    QByteArrayList order;
    for (const QByteArray& name : *listed) {
        if (expected.contains(name))
            order.append(name);
    }
    QCOMPARE(names(*found), order);
    for (const TidyCandidate& candidate : *found)
        QCOMPARE(candidate.path, desktop.at(candidate.name));
}

void TestScan::unreadableFolder_data()
{
    QTest::addColumn<QByteArray>("relative");

    QTest::newRow("missing folder") << QByteArray("gone");
    QTest::newRow("a file, not a folder") << QByteArray("file");
    QTest::newRow("dangling link") << QByteArray("dangling");
}

void TestScan::unreadableFolder()
{
    QFETCH(QByteArray, relative);

    TestDesktop desktop;
    QVERIFY(desktop.isValid());
    QVERIFY(desktop.build(TestTree::tree("file=F:x|dangling=L:/nonexistent/target")));

    QVERIFY(!scanDesktop(desktop.fileSystem, desktop.at(relative), 7, desktop.clock.now()));
}

void TestScan::missingDates_data()
{
    QTest::addColumn<bool>("dropModified");
    QTest::addColumn<bool>("dropChanged");
    QTest::addColumn<bool>("candidate");

    QTest::newRow("no dates at all") << true << true << true;
    QTest::newRow("only the arrival known") << true << false << false;
    QTest::newRow("only the modification known") << false << true << false;
}

void TestScan::missingDates()
{
    QFETCH(bool, dropModified);
    QFETCH(bool, dropChanged);
    QFETCH(bool, candidate);

    TestDesktop desktop;
    QVERIFY(desktop.isValid());
    QVERIFY(desktop.build({{"item", "F:x"}}));
    // Both real dates are an hour old: too recent for a one-day threshold.
    const double now = TestTree::changedTime(desktop.at("item")) + 3600;
    const DatelessFileSystem fileSystem(dropModified, dropChanged);

    const auto found = scanDesktop(fileSystem, desktop.path(), 1, now);
    QVERIFY(found);
    QCOMPARE(names(*found), candidate ? QByteArrayList{"item"} : QByteArrayList{});
}

QTEST_GUILESS_MAIN(TestScan)
#include "tst_scan.moc"
