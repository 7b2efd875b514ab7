#pragma once

#include "platform/DoNotDisturb.h"
#include "spotlight/DndRecord.h"

#include <optional>

// When Tavlin switches Do Not Disturb on, and when it gives the user's state back. Tavlin only
// ever sets "on", so the service still holding "on" is what tells that nobody changed it since.
namespace tavlin::DndRule {

// On only from a state that could be read and is not on already; otherwise nothing is changed
// now, and nothing is given back later.
bool switchesOn(std::optional<DndState> found);

enum class Verdict {
    Restore,    // write back what the record found
    LeaveAlone, // the record is done with: drop it, change nothing
    TryLater,   // keep the record for the next start
};

// What to do with `record` when the service holds `now` (null: unreadable) and its state is
// kept by `keeperNow`.
Verdict giveBack(const DndRecord& record, std::optional<DndState> now, const QString& keeperNow);

} // namespace tavlin::DndRule
