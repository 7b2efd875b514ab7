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

QString verbatim(const QString& text, MenuPath path)
{
    QString shown = text;
    shown.replace(u'\t', u' ');
    if (path == MenuPath::Drawn) {
        shown.replace(u'&', QStringLiteral("&&"));
        return shown;
    }
    // Hosts read "__" as an underscore and "_x" as a mnemonic; some (libdbusmenu-gtk) read any
    // underscore wrongly once the label holds a mnemonic, so the label should hold none.
    shown.replace(u'_', QStringLiteral("__"));
    const qsizetype ampersand = shown.indexOf(u'&');
    if (ampersand < 0 || ampersand == shown.size() - 1)
        return shown; // Qt leaves it alone
    // Qt's export turns the first "&" into "_". One put in for an underscore before it comes
    // back as that underscore; otherwise "&&" comes back as "_&", a mnemonic on the "&" itself.
    const qsizetype underscore = shown.indexOf(u'_');
    if (underscore >= 0 && underscore < ampersand)
        shown[underscore] = u'&';
    else
        shown.insert(ampersand, u'&');
    return shown;
}

bool featureEnabled(const QString& unavailableReason, bool isOn)
{
    return unavailableReason.isEmpty() || isOn;
}

} // namespace tavlin::MenuTitles
