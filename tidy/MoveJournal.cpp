#include "tidy/MoveJournal.h"

#include "tidy/StoredPath.h"

#include <QCryptographicHash>

namespace tavlin::MoveJournal {

namespace {

constexpr char magic[] = "tavlin move log 1";

std::optional<qsizetype> number(const QByteArray& text)
{
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok || value < 0)
        return std::nullopt;
    return qsizetype(value);
}

} // namespace

QByteArray header(const QByteArray& desktop)
{
    return QByteArray(magic) + "\ndesktop\t" + StoredPath::encodeLine(desktop) + '\n';
}

QByteArray moveLine(const MoveRecord& record)
{
    return "move\t" + StoredPath::encodeLine(record.from) + '\t' +
           StoredPath::encodeLine(record.to) + '\n';
}

QByteArray doneLine(qsizetype count)
{
    return "done\t" + QByteArray::number(count) + '\n';
}

QByteArray failedLine(qsizetype index)
{
    return "failed\t" + QByteArray::number(index) + '\n';
}

QByteArray backLine(qsizetype index, const QByteArray& dest)
{
    return "back\t" + QByteArray::number(index) + '\t' + StoredPath::encodeLine(dest) + '\n';
}

std::optional<Journal> parse(const QByteArray& data)
{
    QByteArrayList lines = data.split('\n');
    lines.removeLast(); // empty after the last newline, or a line the writer never finished
    if (lines.size() < 2 || lines[0] != magic || !lines[1].startsWith("desktop\t"))
        return std::nullopt;
    Journal journal;
    const std::optional<QByteArray> desktop = StoredPath::decodeLine(lines[1].mid(8));
    if (!desktop)
        return std::nullopt;
    journal.desktop = *desktop;
    auto& records = journal.records;
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QByteArrayList fields = lines[i].split('\t');
        const QByteArray& kind = fields[0];
        if (kind == "move") {
            JournalRecord record;
            if (fields.size() == 3) {
                const auto from = StoredPath::decodeLine(fields[1]);
                const auto to = StoredPath::decodeLine(fields[2]);
                if (from && to)
                    record.move = MoveRecord{*from, *to};
            }
            records.push_back(std::move(record));
            continue;
        }
        const std::optional<qsizetype> index = fields.size() > 1 ? number(fields[1]) : std::nullopt;
        if (!index)
            continue;
        if (kind == "done" && fields.size() == 2) {
            for (qsizetype r = 0; r < qsizetype(records.size()) && r < *index; ++r)
                records[size_t(r)].settled = true;
        } else if (*index < qsizetype(records.size())) {
            JournalRecord& record = records[size_t(*index)];
            if (kind == "failed" && fields.size() == 2)
                record.failed = true;
            else if (kind == "back" && fields.size() == 3)
                record.movedBackTo = StoredPath::decodeLine(fields[2]);
        }
    }
    return journal;
}

QByteArray compact(const QByteArray& desktop, const std::vector<MoveRecord>& records)
{
    QByteArray text = header(desktop);
    for (const MoveRecord& record : records)
        text += moveLine(record);
    return text + doneLine(qsizetype(records.size()));
}

QByteArray logName(const QByteArray& desktop)
{
    // One log per folder; the name only has to be stable and fit any file system.
    const QByteArray hash =
        QCryptographicHash::hash(desktop, QCryptographicHash::Sha256).toHex().left(16);
    return "moves-" + hash + ".log";
}

QByteArray runningName(const QByteArray& desktop)
{
    return logName(desktop) + ".running";
}

} // namespace tavlin::MoveJournal
