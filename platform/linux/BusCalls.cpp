#include "platform/linux/BusCalls.h"

#include <QDBusConnectionInterface>
#include <QDBusVariant>
#include <QXmlStreamReader>

namespace tavlin::BusCalls {

namespace {

const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

} // namespace

QDBusMessage call(const QDBusConnection& bus, const Target& target, const QString& method,
                  const QVariantList& arguments, bool autoStart)
{
    QDBusMessage message =
        QDBusMessage::createMethodCall(target.service, target.path, target.interface, method);
    message.setArguments(arguments);
    message.setAutoStartService(autoStart);
    return bus.call(message, QDBus::Block, timeoutMs);
}

std::optional<QVariant> firstArgument(const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    const QVariant first = reply.arguments().constFirst();
    if (first.canConvert<QDBusVariant>())
        return qvariant_cast<QDBusVariant>(first).variant();
    return first;
}

std::optional<QVariant> property(const QDBusConnection& bus, const Target& target,
                                 const QString& name)
{
    return firstArgument(call(bus, {target.service, target.path, propertiesInterface},
                              QStringLiteral("Get"), {target.interface, name}));
}

bool setProperty(const QDBusConnection& bus, const Target& target, const QString& name,
                 const QVariant& value)
{
    const QDBusMessage reply =
        call(bus, {target.service, target.path, propertiesInterface}, QStringLiteral("Set"),
             {target.interface, name, QVariant::fromValue(QDBusVariant(value))});
    return reply.type() == QDBusMessage::ReplyMessage;
}

bool offers(const QDBusConnection& bus, const Target& target, const QString& member)
{
    const std::optional<QVariant> xml = firstArgument(call(
        bus, {target.service, target.path, QStringLiteral("org.freedesktop.DBus.Introspectable")},
        QStringLiteral("Introspect")));
    if (!xml)
        return false;
    QXmlStreamReader reader(xml->toString());
    bool inInterface = false;
    while (reader.readNext() != QXmlStreamReader::Invalid && !reader.atEnd()) {
        if (reader.isEndElement() && reader.name() == QLatin1String("interface"))
            inInterface = false;
        if (!reader.isStartElement())
            continue;
        const auto name = reader.attributes().value(QLatin1String("name"));
        if (reader.name() == QLatin1String("interface"))
            inInterface = name == target.interface;
        else if (inInterface && name == member)
            return true;
    }
    return false;
}

QString owner(const QDBusConnection& bus, const QString& name)
{
    QDBusConnectionInterface* daemon = bus.interface();
    if (!daemon)
        return {};
    const QDBusReply<QString> reply = daemon->serviceOwner(name);
    return reply.isValid() ? reply.value() : QString();
}

} // namespace tavlin::BusCalls
