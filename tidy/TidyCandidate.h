#pragma once

#include "platform/FileSystem.h"

#include <QByteArray>
#include <optional>

namespace tavlin {

// The properties of one Desktop item that the scan and the classification look at. Any of
// them may be unknown. The content type is not here: only filing needs it, so it is looked up
// then, and the pending count never pays for it.
struct ItemValues
{
    ItemKind kind = ItemKind::Other;
    std::optional<bool> isDirectory;
    std::optional<bool> isPackage;
    std::optional<double> modified; // seconds since the epoch
    std::optional<double> added;    // when it was placed in the folder
};

struct TidyCandidate
{
    QByteArray path; // absolute
    QByteArray name; // last path component
    ItemValues values;
};

} // namespace tavlin
