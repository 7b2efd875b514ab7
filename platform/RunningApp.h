#pragma once

#include <QIcon>
#include <QString>
#include <QtGlobal>

namespace tavlin {

// One application the user may pin: a process that owns at least one ordinary window.
struct RunningApp
{
    QString identifier; // desktop-file id, else the WM_CLASS class; empty when neither is known
    QString name;       // shown in the menu; empty when unknown
    qint32 pid = 0;
    QIcon icon{}; // null when unknown
};

} // namespace tavlin
