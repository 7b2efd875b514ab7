#include "platform/linux/DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>

namespace tavlin {

namespace {

// Real entries are a few kilobytes; anything this large is not one.
constexpr qint64 maxFileSize = 1 << 20;

QString unescape(const QString& value)
{
    static const QString escapes = QStringLiteral("sntr");
    static const QString meanings = QStringLiteral(" \n\t\r");
    QString result;
    result.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != QLatin1Char('\\') || i + 1 == value.size()) {
            result.append(value[i]);
            continue;
        }
        const QChar next = value[++i];
        const qsizetype known = escapes.indexOf(next);
        result.append(known >= 0 ? meanings[known] : next); // "\\" (and the unknown) as itself
    }
    return result;
}

// The suffixes to try for a localised key, best first: for "sr_RS.UTF-8@latin" these are
// sr_RS@latin, sr_RS, sr@latin, sr.
QStringList localeSuffixes(const QString& locale)
{
    QString rest = locale;
    QString modifier;
    if (const qsizetype at = rest.indexOf(QLatin1Char('@')); at >= 0) {
        modifier = rest.mid(at);
        rest.truncate(at);
    }
    if (const qsizetype dot = rest.indexOf(QLatin1Char('.')); dot >= 0)
        rest.truncate(dot);
    const qsizetype underscore = rest.indexOf(QLatin1Char('_'));
    const QString language = underscore >= 0 ? rest.left(underscore) : rest;
    if (language.isEmpty() || language == QLatin1String("C") || language == QLatin1String("POSIX"))
        return {};
    QStringList suffixes;
    if (underscore >= 0 && !modifier.isEmpty())
        suffixes.append(rest + modifier);
    if (underscore >= 0)
        suffixes.append(rest);
    if (!modifier.isEmpty())
        suffixes.append(language + modifier);
    suffixes.append(language);
    return suffixes;
}

} // namespace

std::optional<DesktopEntry> DesktopEntry::read(const QString& path, const QString& id,
                                               const QString& locale)
{
    QFile file(path);
    if (file.size() > maxFileSize || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QHash<QString, QString> keys;
    bool inGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine(maxFileSize)).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            if (inGroup)
                break; // other groups (actions) say nothing about the application
            if (line != QLatin1String("[Desktop Entry]"))
                return std::nullopt;
            inGroup = true;
            continue;
        }
        if (!inGroup)
            return std::nullopt; // keys before the group: not a desktop entry
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue; // a broken line costs that line only
        const QString key = line.left(equals).trimmed();
        if (!keys.contains(key))
            keys.insert(key, line.mid(equals + 1).trimmed());
    }
    if (keys.value(QStringLiteral("Type")) != QLatin1String("Application"))
        return std::nullopt;

    DesktopEntry entry;
    entry.id = id;
    entry.name = keys.value(QStringLiteral("Name"));
    const QStringList suffixes = localeSuffixes(locale);
    for (const QString& suffix : suffixes) {
        const auto localised = keys.constFind(QStringLiteral("Name[%1]").arg(suffix));
        if (localised != keys.cend()) {
            entry.name = *localised;
            break;
        }
    }
    entry.name = unescape(entry.name);
    entry.icon = unescape(keys.value(QStringLiteral("Icon")));
    entry.startupWmClass = unescape(keys.value(QStringLiteral("StartupWMClass")));
    entry.hidden = keys.value(QStringLiteral("NoDisplay")) == QLatin1String("true") ||
                   keys.value(QStringLiteral("Hidden")) == QLatin1String("true");
    return entry;
}

QIcon DesktopEntry::loadIcon() const
{
    if (icon.isEmpty())
        return {};
    if (QDir::isAbsolutePath(icon))
        return QFileInfo(icon).isFile() ? QIcon(icon) : QIcon();
    const QIcon themed = QIcon::fromTheme(icon);
    return themed.isNull() ? QIcon() : themed;
}

} // namespace tavlin
