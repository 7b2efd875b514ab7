#pragma once

#include <QString>

// Preference keys of the Desktop tidy, and the names it puts on disk.
namespace tavlin::TidyKeys {
inline const QString olderThanDays = QStringLiteral("tidyOlderThanDays");
inline const QString autoTidy = QStringLiteral("autoTidy");
inline const QString lastTidyDate = QStringLiteral("lastTidyDate");
inline const QString lastTidyMoves = QStringLiteral("lastTidyMoves");
inline const QString desktopBookmark = QStringLiteral("desktopBookmark");

inline constexpr int defaultOlderThanDays = 7;
inline constexpr char archiveFolderName[] = "Tavlin Archive";
} // namespace tavlin::TidyKeys
