#include "platform/portal/PortalShortcuts.h"

#include <QDBusMetaType>

namespace tavlin::PortalShortcuts {

namespace {

const QString idPrefix = QStringLiteral("hotkey-");

QString keyName(KeyPosition key)
{
    switch (key) {
    case KeyPosition::S:
        return QStringLiteral("s");
    case KeyPosition::D:
        return QStringLiteral("d");
    }
    return {};
}

} // namespace

void registerTypes()
{
    qDBusRegisterMetaType<Shortcut>();
    qDBusRegisterMetaType<QList<Shortcut>>();
}

QString trigger(const KeyChord& chord)
{
    QStringList parts;
    if (chord.modifiers & KeyModifier::Control)
        parts.append(QStringLiteral("CTRL"));
    if (chord.modifiers & KeyModifier::Alt)
        parts.append(QStringLiteral("ALT"));
    if (chord.modifiers & KeyModifier::Shift)
        parts.append(QStringLiteral("SHIFT"));
    if (chord.modifiers & KeyModifier::Super)
        parts.append(QStringLiteral("LOGO"));
    parts.append(keyName(chord.key));
    return parts.join(u'+');
}

QString requestPath(const QString& uniqueName, const QString& token)
{
    QString sender = uniqueName.mid(uniqueName.startsWith(u':') ? 1 : 0);
    sender.replace(u'.', u'_');
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

QString shortcutId(quint32 id)
{
    return idPrefix + QString::number(id);
}

quint32 hotKeyId(const QString& shortcutId)
{
    if (!shortcutId.startsWith(idPrefix))
        return 0;
    bool ok = false;
    const quint32 id = shortcutId.mid(idPrefix.size()).toUInt(&ok);
    return ok ? id : 0;
}

QSet<QString> boundIds(const QList<Shortcut>& shortcuts)
{
    QSet<QString> bound;
    for (const Shortcut& shortcut : shortcuts) {
        if (!shortcut.properties.value(QStringLiteral("trigger_description")).toString().isEmpty())
            bound.insert(shortcut.id);
    }
    return bound;
}

} // namespace tavlin::PortalShortcuts

QDBusArgument& operator<<(QDBusArgument& argument, const tavlin::PortalShortcuts::Shortcut& item)
{
    argument.beginStructure();
    argument << item.id << item.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument,
                                tavlin::PortalShortcuts::Shortcut& item)
{
    argument.beginStructure();
    argument >> item.id >> item.properties;
    argument.endStructure();
    return argument;
}
