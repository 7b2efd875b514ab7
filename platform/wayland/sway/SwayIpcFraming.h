#pragma once

#include <QByteArray>
#include <QtGlobal>

// The i3/sway IPC's messages: "i3-ipc", the payload's length and the message type as 32-bit
// integers in the machine's byte order, then the JSON payload.
namespace tavlin::SwayIpcFraming {

// Events have this bit set in their type; replies do not.
inline constexpr quint32 eventBit = 0x80000000u;
// Far beyond any real tree; a length past it means the stream is broken.
inline constexpr quint32 maxPayload = 64u << 20;

struct Message
{
    quint32 type = 0;
    QByteArray payload;
};

enum class Status { Complete, NeedMore, Broken };

QByteArray encode(quint32 type, const QByteArray& payload);

// Takes the first whole message off the front of `buffer`. Broken when the buffer does not
// start with the magic string or announces an impossible length; the buffer is then useless.
Status take(QByteArray& buffer, Message& message);

} // namespace tavlin::SwayIpcFraming
