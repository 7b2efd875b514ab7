#include "platform/linux/AutostartLoginItem.h"

#include "platform/linux/DesktopEntryText.h"

#include <QByteArrayList>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace tavlin {

namespace {

const QByteArray ownMarker = QByteArrayLiteral("X-Tavlin-Autostart");
const QByteArray hiddenKey = QByteArrayLiteral("Hidden");
// GNOME's own switch for autostart entries, which its session honours besides Hidden.
const QByteArray gnomeEnabledKey = QByteArrayLiteral("X-GNOME-Autostart-enabled");

} // namespace

AutostartLoginItem::AutostartLoginItem(const QString& configHome, QString programPath)
    : m_folder(configHome + QStringLiteral("/autostart")),
      m_entryPath(m_folder + QStringLiteral("/tavlin.desktop")),
      m_programPath(std::move(programPath))
{
}

AutostartLoginItem::Entry AutostartLoginItem::read() const
{
    const QFileInfo info(m_entryPath);
    if (!info.exists() && !info.isSymLink())
        return {};
    QFile file(m_entryPath);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return {Kind::Unusable, {}};
    Entry entry{Kind::Foreign, file.readAll()};
    if (!DesktopEntryText::hasMainGroup(entry.contents))
        entry.kind = Kind::Unusable;
    else if (info.isSymLink())
        entry.kind = Kind::ForeignLinked;
    else if (DesktopEntryText::boolean(entry.contents, ownMarker) == true)
        entry.kind = Kind::Ours;
    return entry;
}

bool AutostartLoginItem::enabledIn(const Entry& entry)
{
    if (entry.kind == Kind::Missing || entry.kind == Kind::Unusable)
        return false;
    return DesktopEntryText::boolean(entry.contents, hiddenKey) != true &&
           DesktopEntryText::boolean(entry.contents, gnomeEnabledKey) != false;
}

bool AutostartLoginItem::isEnabled() const
{
    return enabledIn(read());
}

bool AutostartLoginItem::setEnabled(bool enabled)
{
    const Entry entry = read();
    switch (entry.kind) {
    case Kind::Missing:
        return enabled ? writeOwnEntry() : true;
    case Kind::Ours:
        // Rewritten on every switch-on, so a program that moved is found again.
        return enabled ? writeOwnEntry() : QFile::remove(m_entryPath);
    case Kind::Foreign: {
        if (enabledIn(entry) == enabled)
            return true;
        QByteArray contents =
            DesktopEntryText::withValue(entry.contents, hiddenKey, enabled ? "false" : "true");
        if (enabled && DesktopEntryText::boolean(contents, gnomeEnabledKey) == false)
            contents = DesktopEntryText::withValue(contents, gnomeEnabledKey, "true");
        return replaceContents(contents);
    }
    case Kind::ForeignLinked:
        // Writing through the link would change a file elsewhere, perhaps the one the
        // application menu shows.
        return enabledIn(entry) == enabled;
    case Kind::Unusable:
        // Nothing starts from it, so it is off already; switching on would need it replaced.
        return !enabled;
    }
    return false;
}

bool AutostartLoginItem::writeOwnEntry()
{
    // A path that did not decode cleanly would start some other program, or none. A '%' has
    // no spelling that works everywhere: GLib's launcher looks the program up before undoing
    // "%%", and drops a single '%' with the letter after it.
    if (!QDir::isAbsolutePath(m_programPath) ||
        m_programPath.contains(QChar::ReplacementCharacter) ||
        m_programPath.contains(QLatin1Char('%')))
        return false;
    if (!QDir().mkpath(m_folder))
        return false;
    const QByteArrayList lines{
        "[Desktop Entry]",
        "Type=Application",
        "Name=Tavlin",
        "Comment=Hide desktop icons, spotlight windows, tidy the Desktop",
        "Exec=" + DesktopEntryText::execArgument(m_programPath),
        "Icon=tavlin",
        "Terminal=false",
        gnomeEnabledKey + "=true",
        ownMarker + "=true",
    };
    return replaceContents(lines.join('\n') + '\n');
}

bool AutostartLoginItem::replaceContents(const QByteArray& contents)
{
    QSaveFile file(m_entryPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(contents) != contents.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace tavlin
