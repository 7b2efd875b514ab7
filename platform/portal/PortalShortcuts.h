#pragma once

#include "platform/KeyChord.h"

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QSet>
#include <QString>
#include <QVariantMap>

// What the desktop portal's global shortcuts speak: its trigger syntax, its request paths and
// the shortcut lists it takes and gives back.
namespace tavlin::PortalShortcuts {

// One shortcut as the portal lists it: an id and its properties ("description",
// "preferred_trigger" going out; "description", "trigger_description" coming back).
struct Shortcut
{
    QString id;
    QVariantMap properties;
};

void registerTypes();

// The chord in the freedesktop shortcut syntax: modifiers CTRL, ALT, SHIFT and LOGO, then the
// key's xkb name, joined with "+".
QString trigger(const KeyChord& chord);

// Where the portal answers a request made with `token` by the bus connection `uniqueName`.
QString requestPath(const QString& uniqueName, const QString& token);

// The shortcut id for a hot key id, and back; 0 for an id not made here.
QString shortcutId(quint32 id);
quint32 hotKeyId(const QString& shortcutId);

// The ids the portal bound to a key, from a BindShortcuts answer. A shortcut listed without a
// trigger waits for the user to pick one in the desktop's settings: not bound yet.
QSet<QString> boundIds(const QList<Shortcut>& shortcuts);

} // namespace tavlin::PortalShortcuts

Q_DECLARE_METATYPE(tavlin::PortalShortcuts::Shortcut)

QDBusArgument& operator<<(QDBusArgument& argument, const tavlin::PortalShortcuts::Shortcut& item);
const QDBusArgument& operator>>(const QDBusArgument& argument,
                                tavlin::PortalShortcuts::Shortcut& item);
