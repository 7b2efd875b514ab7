#pragma once

#include "platform/FileSystem.h"
#include "tidy/TidyCandidate.h"

#include <optional>
#include <vector>

namespace tavlin {

// The Desktop items old enough to be filed: the top-level, non-hidden items whose later of
// modification and arrival lies strictly before `now` minus the threshold, in listing order.
// The archive folder is never one of them. nullopt when the folder cannot be listed.
std::optional<std::vector<TidyCandidate>> scanDesktop(const FileSystem& fileSystem,
                                                      const QByteArray& desktop,
                                                      qint64 olderThanDays, double now);

// The moment before which an item counts as old. The threshold is used as stored: zero means
// "before now", a negative one lies in the future.
double tidyCutoff(qint64 olderThanDays, double now);

} // namespace tavlin
