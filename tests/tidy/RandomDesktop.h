#pragma once

#include "tidy/TidyRunner.h"

#include <QByteArray>
#include <random>

// Random Desktops full of the awkward things real ones collect, for the data-safety rounds.
namespace tavlin::RandomDesktop {

using Random = std::mt19937;

int pick(Random& random, int low, int high);
bool chance(Random& random, double probability);
template <typename List> auto pickFrom(Random& random, const List& list)
{
    return list[size_t(pick(random, 0, int(std::size(list)) - 1))];
}

// Failure messages must stay readable whatever bytes a name holds.
QByteArray printable(const QByteArray& bytes, qsizetype limit = 160);

// 10 to 40 items of every kind, most of them old, a few touched an hour before `now`.
bool populateDesktop(Random& random, const QByteArray& desktop, int& nextId, double now);

// Items the user already had in the archive, some under the names the tidy wants, or an archive
// that is a file or leads elsewhere through a link.
void prepopulateArchive(Random& random, TidyRunner& runner, const QByteArray& root,
                        const QByteArray& month, int& nextId);

} // namespace tavlin::RandomDesktop
