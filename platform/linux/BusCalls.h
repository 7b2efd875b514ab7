#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariant>
#include <optional>

// Short, blocking calls to other programs on the session bus. None of them starts a service
// that is not running unless asked to: a look at a daemon must not start one.
namespace tavlin::BusCalls {

// A service that does not answer within this is taken as not there.
constexpr int timeoutMs = 1000;

struct Target
{
    QString service;
    QString path;
    QString interface;
};

// The reply, or an error message.
QDBusMessage call(const QDBusConnection& bus, const Target& target, const QString& method,
                  const QVariantList& arguments = {}, bool autoStart = false);
// The reply's first argument, unwrapped from a variant; null for an error or an empty reply.
std::optional<QVariant> firstArgument(const QDBusMessage& reply);

std::optional<QVariant> property(const QDBusConnection& bus, const Target& target,
                                 const QString& name);
bool setProperty(const QDBusConnection& bus, const Target& target, const QString& name,
                 const QVariant& value);

// Whether the object's introspection lists a method, signal or property `member` in the
// target's interface.
bool offers(const QDBusConnection& bus, const Target& target, const QString& member);

// The unique name that owns `name` now; empty when nobody does.
QString owner(const QDBusConnection& bus, const QString& name);

} // namespace tavlin::BusCalls
