#pragma once

#include "platform/RunningApp.h"
#include "platform/linux/DesktopEntry.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace tavlin {

// The installed applications' desktop files, read once on first use, to tell which one a
// window belongs to.
class DesktopEntryIndex
{
public:
    // `locale` picks the translated names, as in LC_MESSAGES ("de_DE.UTF-8").
    explicit DesktopEntryIndex(QString locale = messagesLocale());

    // $XDG_DATA_HOME/applications, then each of $XDG_DATA_DIRS, with the XDG defaults; an
    // earlier folder's file hides a later one with the same id.
    static QStringList applicationDirs();
    // The language the user reads messages in, from the environment as the C library sees it.
    static QString messagesLocale();

    // The entry of a window's application. `hints` are desktop-file ids the window gives
    // itself; failing those, the entry that names the window's class (or instance) as its
    // StartupWMClass; failing that, a shown entry whose id is the class (or instance),
    // ignoring case.
    std::optional<DesktopEntry> match(const QStringList& hints, const QString& instance,
                                      const QString& windowClass);

    // What the menu shows of a window's application: the matching entry's id, name and icon;
    // without an entry, or for what the entry lacks, the window's class. The pid is left 0.
    RunningApp appFor(const QStringList& hints, const QString& instance,
                      const QString& windowClass);

private:
    void load();

    QString m_locale;
    bool m_loaded = false;
    QList<DesktopEntry> m_entries;
    QHash<QString, qsizetype> m_byId;
    QHash<QString, qsizetype> m_byWmClass;
    QHash<QString, qsizetype> m_shownByFoldedId;
};

} // namespace tavlin
