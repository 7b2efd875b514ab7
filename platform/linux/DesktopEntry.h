#pragma once

#include <QIcon>
#include <QString>
#include <optional>

namespace tavlin {

// What the program needs of an application's .desktop file.
struct DesktopEntry
{
    QString id;   // the file's path below applications/, '/' read as '-', without ".desktop"
    QString name; // in the user's language when the file has it; empty when the file has none
    QString icon; // an absolute path or a name in the icon theme
    QString startupWmClass;
    bool hidden = false; // NoDisplay or Hidden: menus leave it out

    // The [Desktop Entry] group of an application's file; none when the file is unreadable,
    // far too large, not an application, or does not start with that group.
    static std::optional<DesktopEntry> read(const QString& path, const QString& id,
                                            const QString& locale);

    // The icon it names, from the file or the theme; null when there is none.
    QIcon loadIcon() const;
};

} // namespace tavlin
