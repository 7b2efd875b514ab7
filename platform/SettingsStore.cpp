#include "platform/SettingsStore.h"

#include <QDateTime>
#include <QVariant>
#include <cmath>

namespace tavlin {

bool SettingsStore::contains(const QString& key) const
{
    return !value(key).isUndefined();
}

std::optional<qint64> SettingsStore::integer(const QString& key) const
{
    const QJsonValue stored = value(key);
    if (!stored.isDouble())
        return std::nullopt;
    // The parser keeps exact whole numbers as 64-bit integers; anything else arrives as a double.
    const QVariant number = stored.toVariant();
    if (number.typeId() == QMetaType::LongLong)
        return number.toLongLong();
    const double d = stored.toDouble();
    // 2^63 is exactly representable, so the upper bound must be exclusive.
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(d) || std::trunc(d) != d || d < -limit || d >= limit)
        return std::nullopt;
    return static_cast<qint64>(d);
}

bool SettingsStore::boolean(const QString& key) const
{
    const QJsonValue stored = value(key);
    return stored.isBool() && stored.toBool();
}

std::optional<QString> SettingsStore::string(const QString& key) const
{
    const QJsonValue stored = value(key);
    if (!stored.isString())
        return std::nullopt;
    return stored.toString();
}

std::optional<QJsonArray> SettingsStore::array(const QString& key) const
{
    const QJsonValue stored = value(key);
    if (!stored.isArray())
        return std::nullopt;
    return stored.toArray();
}

std::optional<double> SettingsStore::date(const QString& key) const
{
    const QJsonValue stored = value(key);
    if (!stored.isString())
        return std::nullopt;
    const QDateTime parsed = QDateTime::fromString(stored.toString(), Qt::ISODateWithMs);
    if (!parsed.isValid())
        return std::nullopt;
    return static_cast<double>(parsed.toMSecsSinceEpoch()) / 1000.0;
}

bool SettingsStore::setInteger(const QString& key, qint64 value)
{
    return setValue(key, QJsonValue(value));
}

bool SettingsStore::setBoolean(const QString& key, bool value)
{
    return setValue(key, QJsonValue(value));
}

bool SettingsStore::setValue(const QString& key, const QJsonValue& value)
{
    return setValues({{key, value}});
}

QJsonValue SettingsStore::dateValue(double secondsSinceEpoch)
{
    // ISO 8601 text only holds years 0001 to 9999.
    constexpr double firstSecond = -62135596800.0; // 0001-01-01T00:00:00Z
    constexpr double lastSecond = 253402300799.0;  // 9999-12-31T23:59:59Z
    if (!(secondsSinceEpoch >= firstSecond && secondsSinceEpoch <= lastSecond))
        return QJsonValue(QJsonValue::Undefined);
    const auto msecs = static_cast<qint64>(std::llround(secondsSinceEpoch * 1000.0));
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC).toString(Qt::ISODateWithMs);
}

void SettingsStore::setDate(const QString& key, double secondsSinceEpoch)
{
    // Storing nothing beats storing garbage.
    const QJsonValue value = dateValue(secondsSinceEpoch);
    if (value.isUndefined()) {
        qWarning("Not storing an unrepresentable date for a setting");
        return;
    }
    setValue(key, value);
}

} // namespace tavlin
