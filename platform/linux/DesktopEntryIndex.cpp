#include "platform/linux/DesktopEntryIndex.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <algorithm>

namespace tavlin {

namespace {

const QLatin1String suffix(".desktop");

// Empty and relative entries are ignored, as the XDG rules say.
QStringList absolutePaths(const QByteArray& list)
{
    QStringList paths;
    const QList<QByteArray> parts = list.split(':');
    for (const QByteArray& part : parts) {
        if (part.startsWith('/'))
            paths.append(QFile::decodeName(part));
    }
    return paths;
}

} // namespace

DesktopEntryIndex::DesktopEntryIndex(QString locale) : m_locale(std::move(locale)) {}

QStringList DesktopEntryIndex::applicationDirs()
{
    const QByteArray home = qgetenv("XDG_DATA_HOME");
    QStringList bases{home.startsWith('/') ? QFile::decodeName(home)
                                           : QDir::homePath() + QStringLiteral("/.local/share")};
    QStringList shared = absolutePaths(qgetenv("XDG_DATA_DIRS"));
    if (shared.isEmpty())
        shared = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    bases += shared;
    QStringList dirs;
    for (const QString& base : std::as_const(bases)) {
        const QString dir = QDir::cleanPath(base + QStringLiteral("/applications"));
        if (!dirs.contains(dir))
            dirs.append(dir);
    }
    return dirs;
}

QString DesktopEntryIndex::messagesLocale()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return value;
    }
    return {};
}

void DesktopEntryIndex::load()
{
    m_loaded = true;
    const QStringList dirs = applicationDirs();
    for (const QString& dir : dirs) {
        QStringList paths;
        // Symbolic links to folders are not followed: a loop must not hang the program.
        QDirIterator it(dir, {QStringLiteral("*.desktop")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            paths.append(it.next());
        std::sort(paths.begin(), paths.end()); // the same winner on every run
        for (const QString& path : std::as_const(paths)) {
            QString id = path.mid(dir.size() + 1);
            id.chop(suffix.size());
            id.replace(QLatin1Char('/'), QLatin1Char('-'));
            if (id.isEmpty() || m_byId.contains(id))
                continue;
            std::optional<DesktopEntry> entry = DesktopEntry::read(path, id, m_locale);
            if (!entry)
                continue;
            const qsizetype index = m_entries.size();
            m_byId.insert(id, index);
            if (!entry->startupWmClass.isEmpty() && !m_byWmClass.contains(entry->startupWmClass))
                m_byWmClass.insert(entry->startupWmClass, index);
            if (!entry->hidden && !m_shownByFoldedId.contains(id.toCaseFolded()))
                m_shownByFoldedId.insert(id.toCaseFolded(), index);
            m_entries.append(std::move(*entry));
        }
    }
}

std::optional<DesktopEntry> DesktopEntryIndex::match(const QStringList& hints,
                                                     const QString& instance,
                                                     const QString& windowClass)
{
    if (!m_loaded)
        load();
    QStringList ids;
    for (QString hint : hints) {
        if (hint.endsWith(suffix))
            hint.chop(suffix.size());
        ids.append(hint);
    }
    const QStringList names{windowClass, instance};
    QStringList foldedNames;
    for (const QString& name : names)
        foldedNames.append(name.toCaseFolded());
    // Best evidence first; an empty name never matches, as no table holds an empty key.
    using Lookup = std::pair<const QHash<QString, qsizetype>*, const QStringList*>;
    for (const auto& [table, keys] : {Lookup{&m_byId, &ids}, Lookup{&m_byWmClass, &names},
                                      Lookup{&m_shownByFoldedId, &foldedNames}}) {
        for (const QString& key : *keys) {
            if (const auto found = table->constFind(key); found != table->cend())
                return m_entries.at(*found);
        }
    }
    return std::nullopt;
}

RunningApp DesktopEntryIndex::appFor(const QStringList& hints, const QString& instance,
                                     const QString& windowClass)
{
    const std::optional<DesktopEntry> entry = match(hints, instance, windowClass);
    RunningApp app;
    app.identifier = entry ? entry->id : windowClass;
    app.name = entry && !entry->name.isEmpty() ? entry->name : windowClass;
    app.icon = entry ? entry->loadIcon() : QIcon();
    return app;
}

} // namespace tavlin
