#pragma once

#include <QJsonArray>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <optional>
#include <utility>

namespace tavlin {

// The per-user preferences: one value per key. Typed reads give nullopt (or false) for a
// missing key and for a value of the wrong type, so a hand-edited file never breaks a reader.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;

    // QJsonValue::Undefined when the key is absent.
    virtual QJsonValue value(const QString& key) const = 0;
    // Several keys in one write of the store; an Undefined value removes its key. False when the
    // store could not be saved: the stored file is then as it was, while this process goes on
    // with the new values.
    using Changes = QList<std::pair<QString, QJsonValue>>;
    virtual bool setValues(const Changes& changes) = 0;
    bool setValue(const QString& key, const QJsonValue& value);

    bool contains(const QString& key) const;
    std::optional<qint64> integer(const QString& key) const; // whole numbers only
    bool boolean(const QString& key) const;                  // true only for a stored true
    std::optional<QString> string(const QString& key) const;
    std::optional<QJsonArray> array(const QString& key) const;
    std::optional<double> date(const QString& key) const; // seconds since the epoch

    bool setInteger(const QString& key, qint64 value);
    bool setBoolean(const QString& key, bool value);
    void setDate(const QString& key, double secondsSinceEpoch);

    // The stored form of a date; Undefined for a moment that cannot be written down.
    static QJsonValue dateValue(double secondsSinceEpoch);
};

} // namespace tavlin
