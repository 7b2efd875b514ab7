#include "platform/wayland/sway/SwayIpcFraming.h"

#include <algorithm>
#include <cstring>

namespace tavlin::SwayIpcFraming {

namespace {

constexpr char magic[] = "i3-ipc";
constexpr qsizetype magicSize = sizeof(magic) - 1;
constexpr qsizetype headerSize = magicSize + 2 * sizeof(quint32);

} // namespace

QByteArray encode(quint32 type, const QByteArray& payload)
{
    const quint32 length = quint32(payload.size());
    QByteArray message(magic, magicSize);
    message.append(reinterpret_cast<const char*>(&length), sizeof length);
    message.append(reinterpret_cast<const char*>(&type), sizeof type);
    message.append(payload);
    return message;
}

Status take(QByteArray& buffer, Message& message)
{
    // A wrong prefix shows before the whole header has arrived.
    if (std::memcmp(buffer.constData(), magic, size_t(std::min(buffer.size(), magicSize))) != 0)
        return Status::Broken;
    if (buffer.size() < headerSize)
        return Status::NeedMore;
    quint32 length = 0;
    std::memcpy(&length, buffer.constData() + magicSize, sizeof length);
    if (length > maxPayload)
        return Status::Broken;
    if (buffer.size() < headerSize + qsizetype(length))
        return Status::NeedMore;
    std::memcpy(&message.type, buffer.constData() + magicSize + sizeof length, sizeof(quint32));
    message.payload = buffer.mid(headerSize, length);
    buffer.remove(0, headerSize + length);
    return Status::Complete;
}

} // namespace tavlin::SwayIpcFraming
