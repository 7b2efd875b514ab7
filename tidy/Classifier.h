#pragma once

#include "platform/ContentTypes.h"
#include "tidy/TidyCandidate.h"

#include <QString>
#include <optional>

namespace tavlin {

// The category folders a Desktop item can be filed into.
namespace Category {
inline const QString screenshots = QStringLiteral("Screenshots");
inline const QString folders = QStringLiteral("Folders");
inline const QString images = QStringLiteral("Images");
inline const QString videos = QStringLiteral("Videos");
inline const QString audio = QStringLiteral("Audio");
inline const QString pdfs = QStringLiteral("PDFs");
inline const QString archives = QStringLiteral("Archives & Installers");
inline const QString code = QStringLiteral("Code");
inline const QString apps = QStringLiteral("Apps");
inline const QString documents = QStringLiteral("Documents");
inline const QString other = QStringLiteral("Other");
} // namespace Category

// Which category folder an item goes into: by name for screenshots, then plain folders, then
// by content type (nullopt: the item has none). The first matching rule wins.
QString categoryFor(const QByteArray& name, const ItemValues& values,
                    const std::optional<TypeGroups>& contentType);

} // namespace tavlin
