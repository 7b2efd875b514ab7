// Random Desktops, tidied and undone while the system refuses calls at random: no file may ever
// be lost, duplicated, changed or replaced, and a complete undo must restore the Desktop exactly.
// Each round's seed is its index; TAVLIN_SAFETY_ROUNDS=N runs N rounds, TAVLIN_SAFETY_SEED=S
// replays round S alone.

#include "tests/fakes/TestDesktop.h"
#include "tests/tidy/ChildRun.h"
#include "tests/tidy/RandomDesktop.h"
#include "tidy/ArchivePaths.h"
#include "tidy/FileName.h"
#include "tidy/TidyKeys.h"
#include "tidy/TidyRunner.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <random>
#include <set>
#include <unistd.h>
#include <utility>

using namespace tavlin;

namespace {

using namespace RandomDesktop;
using Snapshot = TestTree::Snapshot;
using Log = std::vector<std::optional<MoveRecord>>;

constexpr int defaultRounds = 300;
const QString memoryFolder = QStringLiteral("/dev/shm");
constexpr double day = TestDesktop::day;

// The whole round folder except the settings and the state folder, which are not user files.
Snapshot snapshotOf(const QByteArray& root)
{
    Snapshot snapshot = TestTree::snapshot(root);
    snapshot.erase("settings.json");
    std::erase_if(snapshot, [](const auto& item) {
        return item.first == "state" || item.first.startsWith("state/");
    });
    return snapshot;
}

// Items the test put on the Desktop mid-round: identity → where.
using Arrivals = std::map<QByteArray, QByteArray>;

// Every item of the start, and every arrival, is still somewhere, exactly once and byte for
// byte (identified by its contents: ids for files, targets for links), and every item placed
// in the archive beforehand is still at its place.
QByteArray checkNothingLost(const Snapshot& start, const std::set<QByteArray>& placed,
                            const Arrivals& arrivals, const Snapshot& now)
{
    for (const QByteArray& path : placed) {
        const auto it = now.find(path);
        if (it == now.end() || it->second != start.at(path))
            return "an item already in the archive was replaced or removed: " + printable(path);
    }
    std::map<QByteArray, std::vector<QByteArray>> expected, found;
    for (const auto& [snapshot, places] : {std::pair{&start, &expected}, std::pair{&now, &found}})
        for (const auto& [path, identity] : *snapshot)
            if (identity != "D" && !placed.contains(path))
                (*places)[identity].push_back(path);
    for (const auto& [identity, path] : arrivals)
        expected[identity].push_back(path);
    for (const auto& [identity, paths] : expected) {
        const auto it = found.find(identity);
        const size_t count = it == found.end() ? 0 : it->second.size();
        if (count < paths.size())
            return "an item was lost or changed: " + printable(identity, 40) + " was at " +
                   printable(paths.front());
        if (count > paths.size())
            return "an item exists more than once: " + printable(identity, 40) + " at " +
                   printable(it->second.back());
    }
    for (const auto& [identity, paths] : found)
        if (!expected.contains(identity))
            return "an item appeared that was not there before: " + printable(paths.front());
    return {};
}

std::set<QByteArray> desktopNames(const Snapshot& snapshot)
{
    std::set<QByteArray> names;
    for (const auto& [path, identity] : snapshot)
        if (path.startsWith("Desktop/") && !path.mid(8).contains('/') &&
            path != "Desktop/Tavlin Archive")
            names.insert(path.mid(8));
    return names;
}

// The item at `path` and everything below it, by path relative to it.
Snapshot subtree(const Snapshot& snapshot, const QByteArray& path)
{
    Snapshot out;
    for (auto it = snapshot.lower_bound(path); it != snapshot.end() && it->first.startsWith(path);
         ++it)
        if (it->first.size() == path.size() || it->first[path.size()] == '/')
            out[it->first.mid(path.size())] = it->second;
    return out;
}

// The log holds one record per item that left the Desktop, each naming where it went.
QByteArray checkTidyLog(const Snapshot& before, const Snapshot& after, const QByteArray& root,
                        const TidyResult& result, const Log& logBefore, const Log& log)
{
    const std::set<QByteArray> namesBefore = desktopNames(before);
    std::set<QByteArray> left = namesBefore;
    for (const QByteArray& name : desktopNames(after))
        if (left.erase(name) == 0)
            return "an item appeared on the Desktop: " + printable(name);
    if (size_t(result.moved) != left.size())
        return "the tidy reports " + QByteArray::number(result.moved) + " moved, but " +
               QByteArray::number(qsizetype(left.size())) + " left the Desktop";
    if (left.empty())
        return log == logBefore ? QByteArray() : "a tidy that moved nothing changed the log";
    if (log.size() != left.size())
        return "the log has " + QByteArray::number(qsizetype(log.size())) + " records, but " +
               QByteArray::number(qsizetype(left.size())) + " items left the Desktop";
    const QByteArray prefix = root + '/';
    for (const std::optional<MoveRecord>& record : log) {
        if (!record)
            return "the log holds a malformed record";
        const QByteArray from = record->from.mid(prefix.size());
        const QByteArray to = record->to.mid(prefix.size());
        if (!record->from.startsWith(prefix) || !from.startsWith("Desktop/") ||
            left.erase(from.mid(8)) == 0)
            return "a log record names an item that did not leave: " + printable(record->from);
        if (!record->to.startsWith(prefix) || subtree(after, to) != subtree(before, from))
            return "a log record's archive path does not hold the item: " + printable(record->to);
    }
    return {};
}

// The records an undo of the world's Desktop would act on.
Log logOf(const TestDesktop& world)
{
    Log log;
    QByteArray data;
    if (world.state.read(MoveJournal::logName(world.path()), data) != StateFolder::Read::Ok)
        return log;
    for (const JournalRecord& record : MoveJournal::parse(data).value_or(Journal()).records)
        if (!record.failed)
            log.push_back(record.move);
    return log;
}

// How a cycle's tidy runs: here, or in child processes that are killed at a random change to
// the disk, that race each other, or that find the disk full.
enum class Way { Here, Killed, Together, DiskFull };

Way pickWay(Random& random)
{
    const int way = pick(random, 0, 99);
    return way < 60 ? Way::Here : way < 75 ? Way::Killed : way < 88 ? Way::Together : Way::DiskFull;
}

void runElsewhere(TestDesktop& world, Way way, Random& random, int items)
{
    using ChildRun::Job;
    if (way == Way::Killed) {
        ChildRun::wait(ChildRun::start(world, Job::Tidy, {pick(random, 0, 3 * items + 8)}));
    } else if (way == Way::DiskFull) {
        ChildRun::wait(ChildRun::start(world, Job::Tidy, {-1, 0, pick(random, 0, 3000)}));
    } else {
        int go[2];
        if (::pipe(go) != 0)
            return;
        const pid_t first = ChildRun::start(world, Job::Tidy, {-1, 200, -1, go[0]});
        const pid_t second = ChildRun::start(world, Job::Tidy, {-1, 200, -1, go[0]});
        const bool started = ::write(go[1], "go", 2) == 2;
        ::close(go[0]);
        ::close(go[1]);
        ChildRun::wait(first);
        ChildRun::wait(second);
        Q_UNUSED(started);
    }
}

// A settings file may be left as it was or replaced by a good one, never by a worse one.
QByteArray checkSettings(const QByteArray& before, const QByteArray& after)
{
    if (after == before)
        return {};
    const QJsonObject was = QJsonDocument::fromJson(before).object();
    const QJsonDocument now = QJsonDocument::fromJson(after);
    for (const QString& key : was.keys())
        if (!now.isObject() || !now.object().contains(key))
            return "the settings file lost \"" + key.toUtf8() + "\"";
    return {};
}

// Records someone wrote into the log: moves from outside the Desktop, and to outside its
// archive. An undo must refuse both.
void tamperWithLog(const TestDesktop& world)
{
    const QByteArray outside = world.scratch() + "/Outside/keep";
    QByteArray lines = MoveJournal::moveLine({outside, world.at(TestTree::thisMonth + "Other/x")}) +
                       MoveJournal::moveLine({world.at("stolen"), outside}) +
                       MoveJournal::doneLine(1 << 30);
    if (!TestTree::exists(world.logPath()))
        lines = MoveJournal::header(world.path()) + lines;
    QFile log(QFile::decodeName(world.logPath()));
    if (log.open(QIODevice::Append))
        log.write(lines);
}

// A tidy in this process, checked against its own report and log. Afterwards, new items may
// arrive where filed ones were.
QByteArray tidyHere(TestDesktop& world, TidyRunner& runner, Random& random, const Snapshot& start,
                    const std::set<QByteArray>& placed, Arrivals& arrivals, bool& exactRestore,
                    int& nextId)
{
    const QByteArray root = world.scratch();
    const Snapshot before = snapshotOf(root);
    const Log logBefore = logOf(world);
    const TidyResult result = runner.tidy(world.path());
    if (!result.listed)
        return "the Desktop could not be listed";
    if (result.moved > 0 && !logBefore.empty())
        exactRestore = false;
    const Snapshot after = snapshotOf(root);
    const Log log = logOf(world);
    QByteArray failure = checkNothingLost(start, placed, arrivals, after);
    if (failure.isEmpty())
        failure = checkTidyLog(before, after, root, result, logBefore, log);
    if (!failure.isEmpty())
        return failure;
    // A new item where a filed one used to be: the undo must put the old one beside it.
    for (const std::optional<MoveRecord>& record : log) {
        if (!record || !chance(random, 0.1))
            continue;
        const QByteArray identity = "F:#arrival:" + QByteArray::number(nextId++) + '#';
        if (TestTree::writeFile(record->from, identity.mid(2)))
            arrivals[identity] = record->from.mid(root.size() + 1);
        exactRestore = false;
    }
    return {};
}

QByteArray runRound(TestDesktop& world, quint32 seed)
{
    Random random(seed);
    const QByteArray root = world.scratch();
    const QByteArray desktop = world.path();
    TidyRunner runner(world.services());

    int nextId = 1;
    world.choose();
    // Large enough that a full disk may refuse the settings but not the log.
    world.settings.setValue(QStringLiteral("padding"), QString(2000, QLatin1Char('p')));
    if (!world.isValid() || !TestTree::makeFolder(root + "/Outside") ||
        !TestTree::writeFile(root + "/Outside/keep", "#outside#") ||
        !populateDesktop(random, desktop, nextId, world.clock.now()))
        return "could not build the Desktop";
    const Snapshot desktopOnly = snapshotOf(root);
    prepopulateArchive(random, runner, root, monthFolderName(world.clock.now()), nextId);
    const Snapshot start = snapshotOf(root);
    std::set<QByteArray> placed;
    for (const auto& [path, identity] : start)
        if (!desktopOnly.contains(path))
            placed.insert(path);

    Random faults(seed + 0x9e3779b9u);
    static const double rates[] = {0.0, 0.05, 0.15, 0.3};
    double faultRate = pickFrom(random, rates);
    // Refused moves and folders. A refused lookup keeps its record whether or not the item is
    // there, and a refused clean-up leaves a folder: tst_undo has both.
    world.fileSystem.setFailureRule([&](FaultyFileSystem::Operation operation, const QByteArray&) {
        using enum FaultyFileSystem::Operation;
        return (operation == Move || operation == MakeDirectory) && faultRate > 0 &&
               chance(faults, faultRate);
    });

    // The Desktop cannot be expected back exactly once a tidy replaced a log that still had
    // records (those items can no longer be undone), or once new items took old names.
    bool exactRestore = true;
    Arrivals arrivals;
    auto afterUndo = [&](const QByteArray& step) -> QByteArray {
        const Snapshot now = snapshotOf(root);
        QByteArray failure = checkNothingLost(start, placed, arrivals, now);
        if (failure.isEmpty() && subtree(now, "Outside") != subtree(start, "Outside"))
            failure = "an item outside the Desktop was moved";
        // What an undo keeps in the log is what it could not move back, still in the archive.
        const Log log = logOf(world);
        for (const std::optional<MoveRecord>& record : log)
            if (failure.isEmpty() && (!record || !TestTree::exists(record->to)))
                failure = "the log keeps a record whose item is not in the archive";
        if (failure.isEmpty() && log.empty() && exactRestore && now != start) {
            const auto [a, b] = std::mismatch(start.begin(), start.end(), now.begin(), now.end());
            failure = "a complete undo did not restore everything, first at " +
                      printable(a != start.end() ? a->first : b->first);
        }
        return failure.isEmpty() ? QByteArray() : step + ": " + failure;
    };

    const int cycles = chance(random, 0.5) ? 2 : 1;
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        if (cycle == 2 && chance(random, 0.5))
            world.clock.advance(31 * day);
        const QByteArray n = QByteArray::number(cycle);
        const Snapshot before = snapshotOf(root);
        const Log logBefore = logOf(world);
        const QByteArray settingsBefore =
            TestTree::readFile(QFile::encodeName(world.settingsPath()));
        if (const Way way = pickWay(random); way != Way::Here) {
            // Children that race each other must not also meet refusals: a second run that
            // files what the first could not replaces the first one's log, as any tidy does.
            const double rate = std::exchange(faultRate, way == Way::Together ? 0 : faultRate);
            runElsewhere(world, way, random, int(desktopNames(before).size()));
            faultRate = rate;
            if (!logBefore.empty())
                exactRestore = false;
            QByteArray failure = checkNothingLost(start, placed, arrivals, snapshotOf(root));
            if (failure.isEmpty())
                failure = checkSettings(
                    settingsBefore, TestTree::readFile(QFile::encodeName(world.settingsPath())));
            if (!failure.isEmpty())
                return "after tidy " + n + " elsewhere: " + failure;
        } else if (QByteArray failure = tidyHere(world, runner, random, start, placed, arrivals,
                                                 exactRestore, nextId);
                   !failure.isEmpty()) {
            return "after tidy " + n + ": " + failure;
        }
        if (chance(random, 0.15))
            tamperWithLog(world);
        // The next undo after one that was killed finishes its work.
        if (chance(random, 0.15))
            ChildRun::wait(ChildRun::start(world, ChildRun::Job::Undo,
                                           {pick(random, 0, 2 * int(logOf(world).size()) + 6)}));
        QByteArray failure;
        runner.undo(desktop);
        if (failure = afterUndo("after undo " + n); !failure.isEmpty())
            return failure;
    }

    // Once the system stops refusing, a retry brings back whatever is still logged.
    faultRate = 0;
    if (logOf(world).empty())
        return {};
    runner.undo(desktop);
    // Only beside an arrival, and only when a name near the length limit has no room for a
    // number, may an item stay behind.
    for (const std::optional<MoveRecord>& record : logOf(world))
        if (!record || FileName::lastComponent(record->from).size() < 250)
            return "after the retried undo: an item was not moved back although nothing was "
                   "refused: " +
                   (record ? printable(record->to) : QByteArray("(malformed)"));
    return afterUndo("after the retried undo");
}

} // namespace

class TestDataSafety : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void randomDesktopsSurviveTidyAndUndo()
    {
        bool ok = false;
        const int replay = qEnvironmentVariableIntValue("TAVLIN_SAFETY_SEED", &ok);
        const int first = ok ? replay : 0;
        int rounds = ok ? 1 : qEnvironmentVariableIntValue("TAVLIN_SAFETY_ROUNDS", &ok);
        if (!ok || rounds <= 0)
            rounds = defaultRounds;
        qInfo("data safety: %d round(s), seeds %d to %d", rounds, first, first + rounds - 1);

        QElapsedTimer timer;
        timer.start();
        for (int seed = first; seed < first + rounds; ++seed) {
            // Rounds sync their logs hundreds of times: in memory where the system has a folder
            // there, they test the logic rather than the disk's latency.
            TestDesktop world(QDir(memoryFolder).exists() ? memoryFolder : QString());
            const QByteArray failure = runRound(world, quint32(seed));
            if (failure.isEmpty())
                continue;
            world.keep();
            qInfo("data safety: the failed round's folder is kept at %s",
                  world.scratch().constData());
            QFAIL(("seed " + QByteArray::number(seed) + ", " + failure).constData());
        }
        qInfo("data safety: %d round(s) passed in %lld ms", rounds, timer.elapsed());
    }
};

QTEST_GUILESS_MAIN(TestDataSafety)
#include "tst_datasafety.moc"
