#include "tidy/DesktopScanner.h"

#include "tidy/FileName.h"
#include "tidy/TidyKeys.h"

#include <algorithm>
#include <limits>

namespace tavlin {

namespace {

// A missing date counts as older than any threshold.
constexpr double distantPast = -std::numeric_limits<double>::infinity();

} // namespace

double tidyCutoff(qint64 olderThanDays, double now)
{
    return now + double(olderThanDays) * -24.0 * 60.0 * 60.0;
}

std::optional<std::vector<TidyCandidate>> scanDesktop(const FileSystem& fileSystem,
                                                      const QByteArray& desktop,
                                                      qint64 olderThanDays, double now)
{
    std::optional<std::vector<DirectoryItem>> items = fileSystem.listItems(desktop);
    if (!items)
        return std::nullopt;
    const double cutoff = tidyCutoff(olderThanDays, now);
    const QByteArray archive(TidyKeys::archiveFolderName);

    std::vector<TidyCandidate> candidates;
    for (DirectoryItem& item : *items) {
        if (item.name == archive || item.name.startsWith('.'))
            continue;
        const double last = std::max(item.stat.modified.value_or(distantPast),
                                     item.stat.changed.value_or(distantPast));
        if (!(last < cutoff))
            continue;
        ItemValues values;
        values.kind = item.stat.kind;
        values.isDirectory = item.stat.kind == ItemKind::Directory;
        // Linux has no package directories: every folder is a plain folder.
        values.isPackage = false;
        values.modified = item.stat.modified;
        values.added = item.stat.changed;
        candidates.push_back({FileName::join(desktop, item.name), std::move(item.name), values});
    }
    return candidates;
}

} // namespace tavlin
