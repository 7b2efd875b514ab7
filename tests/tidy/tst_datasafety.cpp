// Random Desktops, tidied and undone while the system refuses calls at random: no file may ever
// be lost, duplicated, changed or replaced, and a complete undo must restore the Desktop exactly.
// Each round's seed is its index; TAVLIN_SAFETY_ROUNDS=N runs N rounds, TAVLIN_SAFETY_SEED=S
// replays round S alone.

#include "tests/fakes/TestDesktop.h"
#include "tidy/ArchivePaths.h"
#include "tidy/FileName.h"
#include "tidy/TidyKeys.h"
#include "tidy/TidyRunner.h"

#include <QDir>
#include <QElapsedTimer>
#include <random>
#include <set>

using namespace tavlin;

namespace {

using Snapshot = TestTree::Snapshot;
using Random = std::mt19937;
using Log = std::vector<std::optional<MoveRecord>>;

constexpr int defaultRounds = 300;
const QString memoryFolder = QStringLiteral("/dev/shm");
constexpr double day = TestDesktop::day;

int pick(Random& random, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

bool chance(Random& random, double probability)
{
    return std::bernoulli_distribution(probability)(random);
}

template <typename List> auto pickFrom(Random& random, const List& list)
{
    return list[size_t(pick(random, 0, int(std::size(list)) - 1))];
}

// Failure messages must stay readable whatever bytes a name holds.
QByteArray printable(const QByteArray& bytes, qsizetype limit = 160)
{
    return bytes.left(limit).toPercentEncoding(" /.()'#:") + (bytes.size() > limit ? "..." : "");
}

QByteArray randomExtension(Random& random)
{
    static const char* const extensions[] = {".png",    ".jpg", ".pdf", ".txt",  ".md",  ".zip",
                                             ".tar.gz", ".c",   ".py",  ".json", ".mp3", ""};
    return pickFrom(random, extensions);
}

// The awkward names Desktops collect. The id keeps most of them unique.
QByteArray randomName(Random& random, int id)
{
    // "%1" stands for the id.
    static const QByteArrayList patterns =
        QByteArray("Screenshot %1.png|x\xff\xfe%1.txt|.%1 hidden|back\\slash %1.txt|\\x41 %1\\xff|"
                   "\\x41 %1\\\\|caf\xc3\xa9 %1.md|cafe\xcc\x81 %1.md|%1.|...%1| spaced %1 |"
                   "a.b.%1.tar.gz|line %1\nnext.md")
            .split('|');
    static const QByteArrayList common =
        QByteArray(
            "report.pdf|report 2.pdf|notes|notes 2|photo.png|Tavlin Archive 2|archive.tar.gz")
            .split('|');
    const QByteArray n = QByteArray::number(id);
    switch (pick(random, 0, 6)) {
    case 0:
    case 1:
        return QByteArray(pickFrom(random, patterns)).replace("%1", n);
    case 2:
        return pickFrom(random, common);
    case 3:
        return "bad" + QByteArray(1, char(pick(random, 0x80, 0xff))) + n + randomExtension(random);
    case 4: {
        // 250-255 bytes; with an extension a " 2" suffix no longer fits.
        const QByteArray ext = chance(random, 0.6) ? QByteArray(".txt") : QByteArray();
        const QByteArray head = "long " + n + ' ';
        return head + QByteArray(pick(random, 250, 255) - head.size() - ext.size(), 'w') + ext;
    }
    default:
        return "file " + n + randomExtension(random);
    }
}

// The id goes last so that magic bytes at the start still steer content detection.
QByteArray fileContent(Random& random, int id)
{
    if (chance(random, 0.08))
        return {};
    static const char* const heads[] = {"",           "%PDF-1.4\n",  "\x89PNG\r\n\x1a\n",
                                        "PK\x03\x04", "#!/bin/sh\n", "{\"a\": 1}\n"};
    QByteArray content(pickFrom(random, heads));
    const int length = pick(random, 0, 300);
    for (int i = 0; i < length; ++i)
        content += char(pick(random, 0, 255));
    return content + "#id:" + QByteArray::number(id) + '#';
}

QByteArray linkTarget(Random& random, const QByteArray& desktop,
                      const std::vector<QByteArray>& names, const QByteArray& self, int id)
{
    const int kind = pick(random, 0, 6);
    if ((kind == 0 || kind == 1) && !names.empty()) {
        const QByteArray name = pickFrom(random, names);
        return kind == 0 ? desktop + '/' + name : name;
    }
    switch (kind) {
    case 2:
        return chance(random, 0.5) ? QByteArray("/") : QByteArray("..");
    case 3:
        return "Tavlin Archive";
    case 4:
        return self; // a loop
    case 5:
        return "/nonexistent/" + QByteArray::number(id);
    default:
        return "missing " + QByteArray::number(id);
    }
}

bool makeFilledFolder(Random& random, const QByteArray& path, int& nextId)
{
    if (!TestTree::makeFolder(path))
        return false;
    for (int i = pick(random, 1, 2); i > 0; --i) {
        const int id = nextId++;
        if (!TestTree::writeFile(path + '/' + randomName(random, id), fileContent(random, id)))
            TestTree::writeFile(path + "/inner " + QByteArray::number(id), fileContent(random, id));
    }
    if (chance(random, 0.3) && TestTree::makeFolder(path + "/sub"))
        TestTree::writeFile(path + "/sub/deep", fileContent(random, nextId++));
    if (chance(random, 0.3))
        TestTree::makeSymlink("../" + FileName::lastComponent(path), path + "/up");
    return true;
}

bool populateDesktop(Random& random, const QByteArray& desktop, int& nextId, double now)
{
    std::vector<QByteArray> names;
    for (int i = pick(random, 10, 40); i > 0; --i) {
        const int id = nextId++;
        const QByteArray name = randomName(random, id);
        const QByteArray path = desktop + '/' + name;
        if (TestTree::exists(path))
            continue;
        const int kind = pick(random, 0, 99);
        const bool made =
            kind < 55   ? TestTree::writeFile(path, fileContent(random, id))
            : kind < 70 ? makeFilledFolder(random, path, nextId)
            : kind < 97 ? TestTree::makeSymlink(linkTarget(random, desktop, names, name, id), path)
                        : TestTree::makeFifo(path);
        names.push_back(name);
        // Most items are old; a few were touched hours before the run and must stay.
        const double modified =
            chance(random, 0.85) ? now - pick(random, 8, 900) * day : now - day / 2;
        if (!made || !TestTree::setModified(path, modified))
            return false;
    }
    return true;
}

void makePath(QByteArray path, const QByteArrayList& parts)
{
    for (const QByteArray& part : parts)
        TestTree::makeFolder(path += '/' + part);
}

// An item the user already had in the archive, under a name the tidy wants.
void occupy(Random& random, const QByteArray& path, int id)
{
    const QByteArray marker = "#placed:" + QByteArray::number(id) + '#';
    const int kind = pick(random, 0, 9);
    if (kind < 7)
        TestTree::writeFile(path, marker);
    else if (kind < 9 && TestTree::makeFolder(path))
        TestTree::writeFile(path + "/inside", marker);
    else
        TestTree::makeSymlink(marker, path);
}

void prepopulateArchive(Random& random, TidyRunner& runner, const QByteArray& root,
                        const QByteArray& month, int& nextId)
{
    const QByteArray desktop = root + "/Desktop";
    const QByteArray archive = archiveRoot(desktop);
    const int shape = pick(random, 0, 99);
    if (shape < 8) {
        TestTree::writeFile(archive, "#placed:archive that is a file#");
        return;
    }
    if (shape < 14) {
        // The archive, or its month folder, is a link to a folder elsewhere that already has
        // category folders: nothing may be filed into it or swept out of it.
        makePath(root, {"Elsewhere", month, "Images"});
        makePath(root, {"Elsewhere", month, "Other"});
        TestTree::writeFile(root + "/Elsewhere/" + month + "/Other/keep", "#placed:elsewhere#");
        if (chance(random, 0.5)) {
            TestTree::makeSymlink(root + "/Elsewhere", archive);
        } else {
            TestTree::makeFolder(archive);
            TestTree::makeSymlink(root + "/Elsewhere/" + month, archive + '/' + month);
        }
        return;
    }
    if (shape < 30)
        return;
    for (const TidyCandidate& candidate :
         runner.scan(desktop).value_or(std::vector<TidyCandidate>{})) {
        if (!chance(random, 0.35))
            continue;
        const QByteArray category = runner.categoryOf(candidate).toUtf8();
        makePath(desktop, {TidyKeys::archiveFolderName, month, category});
        const QByteArray folder = archive + '/' + month + '/' + category;
        occupy(random, folder + '/' + candidate.name, nextId++);
        if (chance(random, 0.4)) {
            const QByteArray ext = FileName::extension(candidate.name);
            occupy(random,
                   folder + '/' + FileName::withoutExtension(candidate.name) + " 2" +
                       (ext.isEmpty() ? QByteArray() : '.' + ext),
                   nextId++);
        }
    }
    if (chance(random, 0.5)) {
        makePath(desktop, {TidyKeys::archiveFolderName, "2001-01", "Other"});
        TestTree::writeFile(archive + "/2001-01/Other/old", "#placed:old month#");
    }
}

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

QByteArray runRound(TestDesktop& world, quint32 seed)
{
    Random random(seed);
    const QByteArray root = world.scratch();
    const QByteArray desktop = world.path();
    TidyRunner runner(world.services());

    int nextId = 1;
    if (!world.isValid() || !populateDesktop(random, desktop, nextId, world.clock.now()))
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
        const TidyResult result = runner.tidy(desktop);
        if (!result.listed)
            return "tidy " + n + ": the Desktop could not be listed";
        if (result.moved > 0 && !logBefore.empty())
            exactRestore = false;
        const Snapshot after = snapshotOf(root);
        const Log log = logOf(world);
        QByteArray failure = checkNothingLost(start, placed, arrivals, after);
        if (failure.isEmpty())
            failure = checkTidyLog(before, after, root, result, logBefore, log);
        if (!failure.isEmpty())
            return "after tidy " + n + ": " + failure;
        // A new item where a filed one used to be: the undo must put the old one beside it.
        for (const std::optional<MoveRecord>& record : log) {
            if (!record || !chance(random, 0.1))
                continue;
            const QByteArray identity = "F:#arrival:" + QByteArray::number(nextId++) + '#';
            if (TestTree::writeFile(record->from, identity.mid(2)))
                arrivals[identity] = record->from.mid(root.size() + 1);
            exactRestore = false;
        }
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
