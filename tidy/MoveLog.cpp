#include "tidy/MoveLog.h"

#include "tidy/StoredPath.h"
#include "tidy/TidyKeys.h"

namespace tavlin::MoveLog {

std::vector<std::optional<MoveRecord>> read(const SettingsStore& settings)
{
    const std::optional<QJsonArray> stored = settings.array(TidyKeys::lastTidyMoves);
    if (!stored)
        return {};
    std::vector<std::optional<MoveRecord>> records;
    records.reserve(size_t(stored->size()));
    for (const QJsonValue& element : *stored) {
        if (!element.isArray())
            return {};
        const QJsonArray parts = element.toArray();
        std::vector<QByteArray> paths;
        for (const QJsonValue& part : parts) {
            if (!part.isString())
                return {};
            std::optional<QByteArray> path = StoredPath::decode(part.toString());
            if (!path)
                return {};
            paths.push_back(std::move(*path));
        }
        if (paths.size() == 2)
            records.push_back(MoveRecord{paths[0], paths[1]});
        else
            records.push_back(std::nullopt);
    }
    return records;
}

QJsonArray toJson(const std::vector<MoveRecord>& records)
{
    QJsonArray array;
    for (const MoveRecord& record : records)
        array.append(QJsonArray{StoredPath::encode(record.from), StoredPath::encode(record.to)});
    return array;
}

} // namespace tavlin::MoveLog
