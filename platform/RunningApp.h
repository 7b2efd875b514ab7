#pragma once

#include <QIcon>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <algorithm>

namespace tavlin {

// One application the user may pin: a process that owns at least one ordinary window.
struct RunningApp
{
    QString identifier; // desktop-file id, else the WM_CLASS class; empty when neither is known
    QString name;       // shown in the menu; empty when unknown
    qint32 pid = 0;
    QIcon icon{}; // null when unknown
};

// Whether the menu would show the same applications: pids, identifiers and names in order.
inline bool sameApps(const QList<RunningApp>& a, const QList<RunningApp>& b)
{
    return std::equal(a.cbegin(), a.cend(), b.cbegin(), b.cend(),
                      [](const RunningApp& x, const RunningApp& y) {
                          return x.pid == y.pid && x.identifier == y.identifier && x.name == y.name;
                      });
}

} // namespace tavlin
