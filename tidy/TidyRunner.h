#pragma once

#include "tidy/TidyCandidate.h"
#include "tidy/TidyServices.h"

#include <QString>
#include <optional>
#include <vector>

namespace tavlin {

struct TidyResult
{
    bool listed = false; // false: the Desktop could not be read, and nothing was written
    int moved = 0;
    QString status;
};

// The tidy operations on one Desktop folder, without any timer, watcher or window: what the
// tray program and the command line share.
class TidyRunner
{
public:
    explicit TidyRunner(const TidyServices& services);

    // The stored threshold, or the default when none (or no whole number) is stored.
    qint64 olderThanDays() const;

    std::optional<std::vector<TidyCandidate>> scan(const QByteArray& desktop) const;
    QString categoryOf(const TidyCandidate& candidate) const;

    // Files every old item, stamps the run's time and, when something moved, replaces the log.
    TidyResult tidy(const QByteArray& desktop);

    // Moves the logged items back, keeps only the refused ones in the log, sweeps emptied
    // archive folders and returns the result line.
    QString undo(const QByteArray& desktop);

private:
    TidyServices m_services;
};

} // namespace tavlin
