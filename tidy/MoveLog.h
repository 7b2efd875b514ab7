#pragma once

#include "platform/SettingsStore.h"

#include <QByteArray>
#include <optional>
#include <vector>

namespace tavlin {

// One move of a tidy run: where the item was on the Desktop, and where it went in the archive.
struct MoveRecord
{
    QByteArray from;
    QByteArray to;
    bool operator==(const MoveRecord&) const = default;
};

// The log of the last tidy that older versions kept in the settings, as an array of two-string
// arrays in the order the moves happened. Read so an upgrade keeps that tidy undoable.
namespace MoveLog {

// The stored log. A record that does not have exactly two elements reads as nullopt (undo
// drops it). If the key is absent, not an array, or any element is not an array of
// path strings, the whole log reads as empty.
std::vector<std::optional<MoveRecord>> read(const SettingsStore& settings);

QJsonArray toJson(const std::vector<MoveRecord>& records);

} // namespace MoveLog
} // namespace tavlin
