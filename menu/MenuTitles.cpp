#include "menu/MenuTitles.h"

namespace tavlin::MenuTitles {

QString tidyTitle(std::optional<int> pendingCount)
{
    if (!pendingCount)
        return QStringLiteral("Tidy Desktop\u2026");
    if (*pendingCount == 0)
        return QStringLiteral("Nothing to Tidy");
    if (*pendingCount == 1)
        return QStringLiteral("Tidy Desktop (1 Item)");
    return QStringLiteral("Tidy Desktop (%1 Items)").arg(*pendingCount);
}

bool tidyEnabled(std::optional<int> pendingCount)
{
    return !pendingCount || *pendingCount != 0;
}

QString undoTitle(int undoCount)
{
    if (undoCount <= 0)
        return QStringLiteral("Undo Tidy");
    return QStringLiteral("Undo Tidy (%1 Item%2)")
        .arg(undoCount)
        .arg(undoCount == 1 ? QString() : QStringLiteral("s"));
}

bool undoEnabled(int undoCount)
{
    return undoCount > 0;
}

QString appName(const QString& name)
{
    return name.isEmpty() ? QStringLiteral("Unknown") : name;
}

QString spotlightAppsHeader(const QSet<QString>& pinnedApps)
{
    return pinnedApps.isEmpty() ? QStringLiteral("None picked: uses the frontmost app")
                                : QStringLiteral("Shown in Spotlight Mode");
}

const std::array<OlderThanOption, 5>& olderThanOptions()
{
    static const std::array<OlderThanOption, 5> options{{
        {QStringLiteral("1 Day"), 1},
        {QStringLiteral("3 Days"), 3},
        {QStringLiteral("1 Week"), 7},
        {QStringLiteral("2 Weeks"), 14},
        {QStringLiteral("1 Month"), 30},
    }};
    return options;
}

QString verbatim(const QString& text)
{
    QString shown = text;
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    shown.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return shown;
}

} // namespace tavlin::MenuTitles
