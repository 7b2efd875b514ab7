#pragma once

#include <QList>
#include <QRect>
#include <QString>

namespace tavlin {

// What a Wayland output says of itself, to find the one behind a QScreen.
struct OutputIdentity
{
    QString name;     // "DP-1", "HEADLESS-2"; empty before the compositor names it
    QRect geometry{}; // logical, global; null before it is known
};

// The index of the output that shows `screenName` at `screenGeometry`, or -1. The name decides
// (Qt names its screens after the outputs); without a named match, an output at exactly that
// place; with a single output, that one. -1 rather than a guess: a cover on the wrong output
// leaves another uncovered.
qsizetype matchOutput(const QList<OutputIdentity>& outputs, const QString& screenName,
                      const QRect& screenGeometry);

} // namespace tavlin
