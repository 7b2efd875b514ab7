#include "spotlight/DndRule.h"

namespace tavlin::DndRule {

bool switchesOn(std::optional<DndState> found)
{
    return found && *found != DndState::On;
}

Verdict giveBack(const DndRecord& record, std::optional<DndState> now, const QString& keeperNow)
{
    // A daemon that restarted, or quit, took what Tavlin set with it; a new one starts afresh,
    // and its "on" would be the user's own.
    if (!record.keeper.isEmpty() && record.keeper != keeperNow)
        return Verdict::LeaveAlone;
    if (!now)
        return Verdict::TryLater;
    // Anything but "on" is the user's own change, which wins.
    return *now == DndState::On ? Verdict::Restore : Verdict::LeaveAlone;
}

} // namespace tavlin::DndRule
