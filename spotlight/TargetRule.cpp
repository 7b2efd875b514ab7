#include "spotlight/TargetRule.h"

#include <algorithm>

namespace tavlin::TargetRule {

QList<RunningApp> menuApps(const QList<RunningApp>& apps, qint32 selfPid)
{
    struct Keyed
    {
        QList<uint> key;
        RunningApp app;
    };
    QList<Keyed> keyed;
    QSet<qint32> seen;
    for (const RunningApp& app : apps) {
        if (app.pid == selfPid || seen.contains(app.pid)) {
            continue;
        }
        seen.insert(app.pid);
        // Code points, not UTF-16 units: those order characters beyond U+FFFF before U+E000.
        keyed.append({app.name.normalized(QString::NormalizationForm_C).toUcs4(), app});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        return std::lexicographical_compare(a.key.begin(), a.key.end(), b.key.begin(), b.key.end());
    });
    QList<RunningApp> sorted;
    sorted.reserve(keyed.size());
    for (const Keyed& entry : std::as_const(keyed)) {
        sorted.append(entry.app);
    }
    return sorted;
}

std::optional<qint32> fallbackPid(std::optional<qint32> frontmostPid, qint32 selfPid)
{
    if (frontmostPid == selfPid) {
        return std::nullopt;
    }
    return frontmostPid;
}

QSet<qint32> targetPids(const QList<RunningApp>& running, const QSet<QString>& pinned,
                        std::optional<qint32> fallback)
{
    QSet<qint32> pids;
    for (const RunningApp& app : running) {
        if (!app.identifier.isEmpty() && pinned.contains(app.identifier)) {
            pids.insert(app.pid);
        }
    }
    if (pids.isEmpty() && fallback) {
        pids.insert(*fallback);
    }
    return pids;
}

} // namespace tavlin::TargetRule
