// Random Desktops, tidied and undone while the system refuses calls at random, while tidies are
// killed part way, race each other or find the disk full: no file may ever be lost, duplicated,
// changed or replaced, and a complete undo must restore the Desktop exactly.
// Each round's seed is its index; TAVLIN_SAFETY_ROUNDS=N runs N rounds, TAVLIN_SAFETY_SEED=S
// replays round S alone.

#include "platform/linux/PosixStateFolder.h"
#include "tests/fakes/TestDesktop.h"
#include "tests/tidy/RandomDesktop.h"
#include "tidy/ArchivePaths.h"
#include "tidy/FileName.h"

#include <QDir>
#include <QElapsedTimer>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <set>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

using namespace tavlin;

namespace {

using namespace RandomDesktop;
using Snapshot = TestTree::Snapshot;

constexpr int defaultRounds = 300;
const QString memoryFolder = QStringLiteral("/dev/shm");

// The whole round folder except the settings and the state folder, which are not user files.
Snapshot snapshotOf(const QByteArray& root)
{
    Snapshot snapshot = TestTree::snapshot(root);
    std::erase_if(snapshot, [](const auto& item) {
        return item.first == "settings.json" || item.first == "state" ||
               item.first.startsWith("state/");
    });
    return snapshot;
}

// Items the test put on the Desktop mid-round: identity → where.
using Arrivals = std::map<QByteArray, QByteArray>;

// Every item of the start, and every arrival, is still somewhere, exactly once and byte for
// byte (identified by its contents: ids for files, targets for links), and every item placed
// in the archive or beside the Desktop beforehand is still at its place.
QByteArray checkNothingLost(const Snapshot& start, const std::set<QByteArray>& placed,
                            const Arrivals& arrivals, const Snapshot& now)
{
    for (const QByteArray& path : placed) {
        const auto it = now.find(path);
        if (it == now.end() || it->second != start.at(path))
            return "an item placed beforehand was replaced or removed: " + printable(path);
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
        if (count != paths.size())
            return "an item was lost, changed or duplicated: " + printable(identity, 40) +
                   " was at " + printable(paths.front());
    }
    for (const auto& [identity, paths] : found)
        if (!expected.contains(identity))
            return "an item appeared that was not there before: " + printable(paths.front());
    return {};
}

// The state folder of a child run, which dies by SIGKILL just before its change number `killAt`
// to the disk or the logs.
class FusedState final : public PosixStateFolder
{
public:
    FusedState(const QByteArray& folder, int killAt) : PosixStateFolder(folder), m_killAt(killAt) {}
    void step()
    {
        if (m_count++ == m_killAt)
            ::raise(SIGKILL);
    }
    std::unique_ptr<AppendFile> create(const QByteArray& name) override
    {
        return step(), PosixStateFolder::create(name);
    }
    bool replace(const QByteArray& name, const QByteArray& data) override
    {
        return step(), PosixStateFolder::replace(name, data);
    }
    bool rename(const QByteArray& from, const QByteArray& to) override
    {
        return step(), PosixStateFolder::rename(from, to);
    }
    bool remove(const QByteArray& name) override { return step(), PosixStateFolder::remove(name); }

private:
    int m_killAt;
    int m_count = 0;
};

struct ChildRun
{
    bool undo = false;
    int killAt = -1;          // see FusedState; -1: never
    int slowMicroseconds = 0; // added to every move, so that two runs overlap
    long fileSizeLimit = -1;  // bytes; writes beyond it fail, as on a full disk
};

// A tidy or an undo in a child process of its own; returns the child's id.
pid_t startChild(TestDesktop& world, const ChildRun& run)
{
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    // The child: nothing of the test's own machinery runs here, and it never returns.
    if (run.fileSizeLimit >= 0) {
        ::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails with EFBIG instead
        const rlimit limit{rlim_t(run.fileSizeLimit), rlim_t(run.fileSizeLimit)};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    FusedState state(world.scratch() + "/state", run.killAt);
    FaultyFileSystem& fileSystem = world.fileSystem;
    fileSystem.setFailureRule([&, refuse = fileSystem.failureRule()](
                                  FaultyFileSystem::Operation operation, const QByteArray& path) {
        using enum FaultyFileSystem::Operation;
        if (operation != OpenFolder && operation != Lookup)
            state.step();
        if (operation == Move && run.slowMicroseconds > 0)
            ::usleep(useconds_t(run.slowMicroseconds));
        return refuse && refuse(operation, path);
    });
    TidyRunner runner({fileSystem, world.settings, world.clock, world.contentTypes, state});
    if (run.undo)
        runner.undo(world.path());
    else
        runner.tidy(world.path());
    ::_exit(0);
}

void waitFor(pid_t pid)
{
    int status = 0;
    while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

// A tidy here (true), or in child processes that are killed at a random change, that race
// each other, or that find the disk full.
bool tidyOnce(TestDesktop& world, TidyRunner& runner, Random& random, double& faultRate)
{
    const int way = pick(random, 0, 99);
    const Snapshot desktop = TestTree::snapshot(world.path());
    const auto items = std::count_if(desktop.begin(), desktop.end(),
                                     [](const auto& item) { return !item.first.contains('/'); });
    if (way < 60) {
        runner.tidy(world.path());
    } else if (way < 75) {
        waitFor(startChild(world, {false, pick(random, 0, 3 * int(items) + 8)}));
    } else if (way < 88) {
        // Racing children must not also meet refusals: a second run that files what the first
        // could not replaces the first one's log, as any tidy does.
        const double rate = std::exchange(faultRate, 0);
        const pid_t first = startChild(world, {false, -1, 200});
        waitFor(startChild(world, {false, -1, 200}));
        waitFor(first);
        faultRate = rate;
    } else {
        waitFor(startChild(world, {false, -1, 0, pick(random, 0, 3000)}));
    }
    return way < 60;
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
    if (!world.isValid() || !populateDesktop(random, desktop, nextId, world.clock.now()))
        return "could not build the Desktop";
    const Snapshot desktopOnly = snapshotOf(root);
    if (!TestTree::makeFolder(root + "/Outside") ||
        !TestTree::writeFile(root + "/Outside/keep", "#outside#"))
        return "could not build the folder beside the Desktop";
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
    // there, and a refused clean-up leaves a folder: tst_filing has both.
    world.fileSystem.setFailureRule([&](FaultyFileSystem::Operation operation, const QByteArray&) {
        using enum FaultyFileSystem::Operation;
        return (operation == Move || operation == MakeDirectory) && faultRate > 0 &&
               chance(faults, faultRate);
    });

    // The Desktop cannot be expected back exactly once a tidy replaced a log that still had
    // records (those items can no longer be undone), or once new items took old names.
    bool exactRestore = true;
    Arrivals arrivals;
    auto check = [&](const QByteArray& step, bool undone) -> QByteArray {
        const Snapshot now = snapshotOf(root);
        QByteArray failure = checkNothingLost(start, placed, arrivals, now);
        // What an undo keeps in the log is what it could not move back, still in the archive.
        const auto log = world.loggedRecords();
        for (const std::optional<MoveRecord>& record : log)
            if (undone && failure.isEmpty() && (!record || !TestTree::exists(record->to)))
                failure = "the log keeps a record whose item is not in the archive";
        if (undone && failure.isEmpty() && log.empty() && exactRestore && now != start) {
            const auto [a, b] = std::mismatch(start.begin(), start.end(), now.begin(), now.end());
            failure = "a complete undo did not restore everything, first at " +
                      printable(a != start.end() ? a->first : b->first);
        }
        return failure.isEmpty() ? QByteArray() : step + ": " + failure;
    };

    const int cycles = chance(random, 0.5) ? 2 : 1;
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        if (cycle == 2 && chance(random, 0.5))
            world.clock.advance(31 * TestDesktop::day);
        const QByteArray n = QByteArray::number(cycle);
        if (!world.loggedRecords().empty())
            exactRestore = false;
        const bool here = tidyOnce(world, runner, random, faultRate);
        if (QByteArray failure = check("after tidy " + n, false); !failure.isEmpty())
            return failure;
        // A new item where a filed one used to be: the undo must put the old one beside it.
        for (const std::optional<MoveRecord>& record : world.loggedRecords()) {
            if (!here || !record || !chance(random, 0.1))
                continue;
            const QByteArray identity = "F:#arrival:" + QByteArray::number(nextId++) + '#';
            if (TestTree::writeFile(record->from, identity.mid(2)))
                arrivals[identity] = record->from.mid(root.size() + 1);
            exactRestore = false;
        }
        // The next undo after one that was killed finishes its work.
        if (chance(random, 0.15))
            waitFor(startChild(world,
                               {true, pick(random, 0, 2 * int(world.loggedRecords().size()) + 6)}));
        runner.undo(desktop);
        if (QByteArray failure = check("after undo " + n, true); !failure.isEmpty())
            return failure;
    }

    // Once the system stops refusing, a retry brings back whatever is still logged.
    faultRate = 0;
    if (world.loggedRecords().empty())
        return {};
    runner.undo(desktop);
    // Only beside an arrival, and only when a name near the length limit has no room for a
    // number, may an item stay behind.
    for (const std::optional<MoveRecord>& record : world.loggedRecords())
        if (!record || FileName::lastComponent(record->from).size() < 250)
            return "after the retried undo: an item was not moved back although nothing was "
                   "refused: " +
                   (record ? printable(record->to) : QByteArray("(malformed)"));
    return check("after the retried undo", true);
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
