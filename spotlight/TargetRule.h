#pragma once

#include "platform/RunningApp.h"

#include <QList>
#include <QSet>
#include <QString>
#include <optional>

// Which applications spotlight mode offers and whose windows it shows.
namespace tavlin::TargetRule {

// The applications for the menu: one entry per process (the first one seen), this program
// left out, sorted by name. Names compare by Unicode code point after NFC normalisation, not
// by locale, so "Zed" comes before "atom"; equal names keep their order.
QList<RunningApp> menuApps(const QList<RunningApp>& apps, qint32 selfPid);

// The application that keeps its windows when nothing pinned runs: the one in front when the
// mode starts, unless that is this program.
std::optional<qint32> fallbackPid(std::optional<qint32> frontmostPid, qint32 selfPid);

// The processes whose windows get holes: every running instance of a pinned identifier; only
// when there is none, the fallback alone; with no fallback either, nobody.
QSet<qint32> targetPids(const QList<RunningApp>& running, const QSet<QString>& pinned,
                        std::optional<qint32> fallback);

} // namespace tavlin::TargetRule
