// The scan, tidy and undo of a Desktop of 10,000 old files, each against the bare system calls
// it cannot avoid, measured in the same run on the same folder, and the cost of the move log
// against a tidy that keeps its log in memory. Prints figures and ratios; exits 0 whatever the
// ratios are. An optional argument sets the number of files.

#include "bench/BenchTiming.h"
#include "platform/Clock.h"
#include "platform/linux/JsonSettingsStore.h"
#include "platform/linux/MimeContentTypes.h"
#include "platform/linux/PosixFileSystem.h"
#include "platform/linux/PosixStateFolder.h"
#include "tidy/TidyRunner.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace {

using tavlin::bench::median;
using tavlin::bench::millisecondsOf;

constexpr int defaultFileCount = 10000;
constexpr int repetitions = 7;
constexpr double day = 24.0 * 60.0 * 60.0;

// A month ahead of the system clock: every file is old by its change time too, which is "now".
class BenchClock final : public tavlin::Clock
{
public:
    explicit BenchClock(double now) : m_now(now) {}
    double now() const override { return m_now; }

private:
    double m_now;
};

// The state folder kept in memory: what the tidy costs without writing its log to disk.
class MemoryState final : public tavlin::StateFolder
{
public:
    Read read(const QByteArray& name, QByteArray& data) const override
    {
        const auto file = m_files.find(name);
        if (file == m_files.end())
            return Read::Absent;
        data = *file->second;
        return Read::Ok;
    }
    std::unique_ptr<tavlin::AppendFile> create(const QByteArray& name) override
    {
        m_files[name] = std::make_shared<QByteArray>();
        return openForAppend(name);
    }
    std::unique_ptr<tavlin::AppendFile> openForAppend(const QByteArray& name) override
    {
        const auto file = m_files.find(name);
        return file == m_files.end() ? nullptr : std::make_unique<Appender>(file->second);
    }
    bool replace(const QByteArray& name, const QByteArray& data) override
    {
        m_files[name] = std::make_shared<QByteArray>(data);
        return true;
    }
    bool rename(const QByteArray& from, const QByteArray& to) override
    {
        m_files[to] = m_files[from];
        m_files.erase(from);
        return true;
    }
    bool remove(const QByteArray& name) override { return m_files.erase(name), true; }
    std::unique_ptr<tavlin::HeldLock> lock(const QByteArray&, int, bool&) override
    {
        return std::make_unique<tavlin::HeldLock>();
    }
    QByteArray pathOf(const QByteArray& name) const override { return name; }

private:
    struct Appender final : tavlin::AppendFile
    {
        explicit Appender(std::shared_ptr<QByteArray> file) : m_file(std::move(file)) {}
        bool append(const QByteArray& data) override { return m_file->append(data), true; }
        bool sync() override { return true; }
        std::shared_ptr<QByteArray> m_file;
    };
    std::map<QByteArray, std::shared_ptr<QByteArray>> m_files;
};

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

std::vector<QByteArray> listNames(const QByteArray& folder)
{
    std::vector<QByteArray> names;
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir))
        if (!isDotOrDotDot(entry->d_name))
            names.emplace_back(entry->d_name);
    ::closedir(dir);
    return names;
}

int listAndStat(const QByteArray& folder)
{
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return 0;
    const int fd = ::dirfd(dir);
    int count = 0;
    while (const dirent* entry = ::readdir(dir)) {
        struct stat st;
        if (!isDotOrDotDot(entry->d_name) &&
            ::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
            ++count;
    }
    ::closedir(dir);
    return count;
}

// Lists `from` and renames every entry into `to`, by full paths as the tidy does.
int renameAll(const QByteArray& from, const QByteArray& to)
{
    int count = 0;
    for (const QByteArray& name : listNames(from)) {
        const QByteArray source = from + '/' + name;
        const QByteArray target = to + '/' + name;
        if (::syscall(SYS_renameat2, AT_FDCWD, source.constData(), AT_FDCWD, target.constData(),
                      RENAME_NOREPLACE) == 0)
            ++count;
    }
    return count;
}

// The same renames into the archive's own layout: a dozen category folders, made fresh as the
// tidy makes them after an undo swept them away, two levels below the Desktop.
constexpr int categoryCount = 12;

int renameIntoLayout(const QByteArray& desktop, const QByteArray& month)
{
    const QByteArray monthFolder = desktop + "/Tavlin Archive/" + month;
    ::mkdir((desktop + "/Tavlin Archive").constData(), 0777);
    ::mkdir(monthFolder.constData(), 0777);
    for (int c = 0; c < categoryCount; ++c)
        ::mkdir((monthFolder + "/c" + QByteArray::number(c)).constData(), 0777);
    int count = 0;
    int index = 0;
    for (const QByteArray& name : listNames(desktop)) {
        if (name == "Tavlin Archive")
            continue;
        const QByteArray source = desktop + '/' + name;
        const QByteArray target =
            monthFolder + "/c" + QByteArray::number(index++ % categoryCount) + '/' + name;
        if (::syscall(SYS_renameat2, AT_FDCWD, source.constData(), AT_FDCWD, target.constData(),
                      RENAME_NOREPLACE) == 0)
            ++count;
    }
    return count;
}

void restoreFromLayout(const QByteArray& desktop, const QByteArray& month)
{
    const QByteArray monthFolder = desktop + "/Tavlin Archive/" + month;
    for (int c = 0; c < categoryCount; ++c) {
        const QByteArray folder = monthFolder + "/c" + QByteArray::number(c);
        renameAll(folder, desktop);
        ::rmdir(folder.constData());
    }
    ::rmdir(monthFolder.constData());
    ::rmdir((desktop + "/Tavlin Archive").constData());
}

bool setModified(const QByteArray& path, double secondsSinceEpoch)
{
    timespec times[2];
    times[0].tv_sec = time_t(secondsSinceEpoch);
    times[0].tv_nsec = 0;
    times[1] = times[0];
    return ::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

// Mostly named by extension; one in fifty has none and must be told by its content.
bool makeDesktop(const QByteArray& desktop, int count, double old)
{
    static const char* const extensions[] = {".png", ".jpg",    ".pdf",  ".txt", ".md",
                                             ".zip", ".tar.gz", ".mp4",  ".mp3", ".c",
                                             ".py",  ".json",   ".docx", ".odt", ".deb"};
    constexpr int kinds = int(std::size(extensions));
    for (int i = 0; i < count; ++i) {
        QByteArray name = "file " + QByteArray::number(i).rightJustified(5, '0');
        if (i % 50 != 49)
            name += extensions[i % kinds];
        const QByteArray path = desktop + '/' + name;
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        const QByteArray content = "contents of " + name + '\n';
        const bool written =
            ::write(fd, content.constData(), size_t(content.size())) == ssize_t(content.size());
        ::close(fd);
        if (!written || !setModified(path, old - (i % 365) * day))
            return false;
    }
    return true;
}

void printFigure(const char* label, double ms)
{
    std::printf("  %-38s %9.1f ms\n", label, ms);
}

void printRatio(const char* label, double ratio, double target)
{
    if (target > 0)
        std::printf("  %-38s %9.2f   target <= %.2f  %s\n", label, ratio, target,
                    ratio <= target ? "PASS" : "OVER");
    else
        std::printf("  %-38s %9.2f   (information)\n", label, ratio);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int fileCount = argc > 1 ? std::max(1, std::atoi(argv[1])) : defaultFileCount;

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_tidy: no temporary folder\n");
        return 1;
    }
    const QByteArray root = QFile::encodeName(dir.path());
    const QByteArray desktop = root + "/Desktop";
    const QByteArray parked = root + "/Parked";
    const double realNow = double(QDateTime::currentSecsSinceEpoch());
    if (::mkdir(desktop.constData(), 0755) != 0 || ::mkdir(parked.constData(), 0755) != 0 ||
        !makeDesktop(desktop, fileCount, realNow - 400 * day)) {
        std::fprintf(stderr, "bench_tidy: could not build the Desktop in %s\n", root.constData());
        return 1;
    }

    tavlin::PosixFileSystem fileSystem;
    tavlin::JsonSettingsStore settings(QFile::decodeName(root + "/settings.json"));
    BenchClock clock(realNow + 30 * day);
    tavlin::MimeContentTypes contentTypes;
    tavlin::PosixStateFolder state(root + "/state");
    tavlin::TidyRunner runner({fileSystem, settings, clock, contentTypes, state});
    MemoryState memory;
    tavlin::TidyRunner inMemory({fileSystem, settings, clock, contentTypes, memory});

    // Page cache, dentry cache and the MIME database loaded before anything is timed.
    listAndStat(desktop);
    contentTypes.groupsOf(desktop + "/file 00000.png",
                          *fileSystem.stat(desktop + "/file 00000.png"));

    std::vector<double> listing, listingStat, renameThere, renameBack, renameLayout, scan, tidy,
        undo, tidyInMemory, undoInMemory;
    bool complete = true;
    for (int round = 0; round < repetitions; ++round) {
        listing.push_back(millisecondsOf([&] { listNames(desktop); }));
        listingStat.push_back(millisecondsOf([&] { listAndStat(desktop); }));
        std::size_t found = 0;
        scan.push_back(millisecondsOf([&] {
            const auto pending = runner.scan(desktop);
            found = pending ? pending->size() : 0;
        }));
        int there = 0;
        int back = 0;
        renameThere.push_back(millisecondsOf([&] { there = renameAll(desktop, parked); }));
        renameBack.push_back(millisecondsOf([&] { back = renameAll(parked, desktop); }));
        int laidOut = 0;
        renameLayout.push_back(
            millisecondsOf([&] { laidOut = renameIntoLayout(desktop, "2000-01"); }));
        restoreFromLayout(desktop, "2000-01");
        tavlin::TidyResult filed;
        tidy.push_back(millisecondsOf([&] { filed = runner.tidy(desktop); }));
        undo.push_back(millisecondsOf([&] { runner.undo(desktop); }));
        tavlin::TidyResult filedInMemory;
        tidyInMemory.push_back(millisecondsOf([&] { filedInMemory = inMemory.tidy(desktop); }));
        undoInMemory.push_back(millisecondsOf([&] { inMemory.undo(desktop); }));
        const int restored = listAndStat(desktop);
        if (found != std::size_t(fileCount) || there != fileCount || back != fileCount ||
            filed.moved != fileCount || restored != fileCount || laidOut != fileCount ||
            filedInMemory.moved != fileCount)
            complete = false;
    }

    const double list = median(listing);
    const double listStat = median(listingStat);
    const double oneWay = median(renameThere);
    std::printf("bench_tidy: %d files in %s, median of %d runs\n", fileCount, root.constData(),
                repetitions);
    printFigure("listing (readdir)", list);
    printFigure("listing + stat (fstatat)", listStat);
    printFigure("listing + rename there", oneWay);
    printFigure("listing + rename back", median(renameBack));
    printFigure("listing + rename into archive layout", median(renameLayout));
    printFigure("scan (pending count)", median(scan));
    printFigure("tidy", median(tidy));
    printFigure("undo", median(undo));
    printFigure("tidy, log in memory", median(tidyInMemory));
    printFigure("undo, log in memory", median(undoInMemory));
    printRatio("scan / (listing + stat)", median(scan) / listStat, 2.0);
    printRatio("tidy / (rename one way + listing)", median(tidy) / oneWay, 1.5);
    printRatio("undo / (rename one way + listing)", median(undo) / oneWay, 0);
    printRatio("tidy / (rename into layout + listing)", median(tidy) / median(renameLayout), 0);
    printRatio("tidy / tidy with its log in memory", median(tidy) / median(tidyInMemory), 1.15);
    printRatio("undo / undo with its log in memory", median(undo) / median(undoInMemory), 0);
    printRatio("(tidy + undo) / (renames there and back)",
               (median(tidy) + median(undo)) / (oneWay + median(renameBack)), 2.0);
    if (!complete)
        std::printf(
            "  WARNING: some run did not see or move all %d files; figures are unreliable\n",
            fileCount);
    return 0;
}
