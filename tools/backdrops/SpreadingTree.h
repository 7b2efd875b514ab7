#pragma once

#include "Flora.h"
#include "Random.h"

#include <QPainter>
#include <QPainterPath>

namespace tavlin::backdrops {

// A broadleaf tree grown from its branches: a tapered trunk forks into limbs, and every limb
// ends in a clump of foliage, so the crown is a few lumpy masses with sky and branches showing
// between them rather than one round blob. Each clump is lit from the upper left in flat,
// crisp tones. `spread` widens the crown. Returns the crown's outline.
QPainterPath paintSpreadingTree(QPainter& p, Random& rng, QPointF base, double height,
                                const TreeColors& colors, double spread = 1.0);

} // namespace tavlin::backdrops
