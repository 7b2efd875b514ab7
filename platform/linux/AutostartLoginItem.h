#pragma once

#include "platform/LoginItem.h"

#include <QByteArray>
#include <QString>

namespace tavlin {

// Launch at login through the XDG autostart folder: `<configHome>/autostart/tavlin.desktop`.
//
// The entry we write carries a marker key. Only such an entry is ever replaced or deleted. An
// entry of the same name that someone else wrote (by hand, or a copy a session tool made) is
// switched with Hidden=true / Hidden=false instead, every other line kept as it was; and one we
// cannot edit safely (a link, a folder, something that is no desktop entry) is left untouched
// and the change refused.
class AutostartLoginItem : public LoginItem
{
public:
    // `programPath` is the absolute path the entry starts.
    AutostartLoginItem(const QString& configHome, QString programPath);

    bool isEnabled() const override;
    bool setEnabled(bool enabled) override;

private:
    enum class Kind {
        Missing,
        Ours,
        Foreign,       // another writer's entry, editable in place
        ForeignLinked, // another writer's entry behind a symbolic link: read only
        Unusable,      // a folder, an unreadable file, a dangling link, not a desktop entry
    };
    struct Entry
    {
        Kind kind = Kind::Missing;
        QByteArray contents;
    };

    Entry read() const;
    static bool enabledIn(const Entry& entry);
    bool writeOwnEntry();
    bool replaceContents(const QByteArray& contents);

    QString m_folder;
    QString m_entryPath;
    QString m_programPath;
};

} // namespace tavlin
