#pragma once

#include "platform/FileSystem.h"

#include <QByteArray>
#include <QFlags>
#include <optional>

namespace tavlin {

// The well-known families a content type can belong to. A type may belong to several.
enum class TypeGroup : unsigned {
    Image = 1u << 0,
    Movie = 1u << 1,
    Audio = 1u << 2,
    Pdf = 1u << 3,
    Archive = 1u << 4,
    DiskImage = 1u << 5,
    SourceCode = 1u << 6,
    Script = 1u << 7,
    Json = 1u << 8,
    Application = 1u << 9,
    Text = 1u << 10,
    Presentation = 1u << 11,
    Spreadsheet = 1u << 12,
    CompositeContent = 1u << 13,
};
Q_DECLARE_FLAGS(TypeGroups, TypeGroup)
Q_DECLARE_OPERATORS_FOR_FLAGS(TypeGroups)

// Detects an item's content type and tells which families it belongs to.
class ContentTypes
{
public:
    virtual ~ContentTypes() = default;

    // nullopt when the item has no content type at all (a socket, a dangling link); an empty set
    // when it has a type that belongs to no family.
    virtual std::optional<TypeGroups> groupsOf(const QByteArray& path,
                                               const ItemStat& stat) const = 0;
};

} // namespace tavlin
