#pragma once

#include "platform/ContentTypes.h"

#include <QHash>
#include <QMimeDatabase>
#include <QMutex>
#include <QRegularExpression>
#include <QString>
#include <optional>

namespace tavlin {

// Content types from the shared MIME database: by file name first, by content when the name
// says nothing (or is ambiguous). Never follows a link except to read its target's type.
class MimeContentTypes : public ContentTypes
{
public:
    std::optional<TypeGroups> groupsOf(const QByteArray& path, const ItemStat& stat) const override;

    // The families of one MIME type, by name or alias; an unknown name belongs to none.
    TypeGroups groupsOfTypeName(const QString& mimeTypeName) const;

private:
    std::optional<TypeGroups> groupsOfFile(const QByteArray& path, bool followLink) const;
    QList<QMimeType> typesForName(const QString& name) const;
    bool matchesWholeNamePattern(const QString& name) const;
    TypeGroups groupsOfType(const QMimeType& type) const;

    QMimeDatabase m_database;
    // The same few types come up again and again; working out their families is not free.
    mutable QMutex m_cacheMutex;
    mutable QHash<QString, TypeGroups> m_cache;
    // Name look-ups cost microseconds each, and a Desktop repeats the same few extensions.
    mutable QHash<QString, QList<QMimeType>> m_typesBySuffix;
    mutable std::optional<QRegularExpression> m_wholeNamePatterns;
};

} // namespace tavlin
