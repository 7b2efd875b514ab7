#include "spotlight/DndRecord.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <array>

namespace tavlin {

namespace {

constexpr std::array<std::pair<DndState, const char*>, 3> stateNames{{
    {DndState::Off, "off"},
    {DndState::On, "on"},
    {DndState::Unset, "unset"},
}};

} // namespace

QByteArray DndRecord::encode() const
{
    QString foundName;
    for (const auto& [state, name] : stateNames) {
        if (state == found)
            foundName = QString::fromLatin1(name);
    }
    const QJsonObject object{{QStringLiteral("service"), service},
                             {QStringLiteral("keeper"), keeper},
                             {QStringLiteral("found"), foundName}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<DndRecord> DndRecord::decode(const QByteArray& data)
{
    const QJsonObject object = QJsonDocument::fromJson(data).object();
    const QJsonValue service = object.value(QStringLiteral("service"));
    const QJsonValue keeper = object.value(QStringLiteral("keeper"));
    const QString found = object.value(QStringLiteral("found")).toString();
    if (!service.isString() || service.toString().isEmpty() || !keeper.isString())
        return std::nullopt;
    for (const auto& [state, name] : stateNames) {
        if (found == QLatin1String(name))
            return DndRecord{service.toString(), keeper.toString(), state};
    }
    return std::nullopt;
}

} // namespace tavlin
