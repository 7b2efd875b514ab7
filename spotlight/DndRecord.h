#pragma once

#include "platform/DoNotDisturb.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace tavlin {

// What Tavlin changed in a notification service, written to the state folder before the change
// so that the state can be given back after a crash: which service, which daemon held it, and
// what the user had before. A small JSON object.
struct DndRecord
{
    QString service; // DoNotDisturb::id()
    QString keeper;  // DoNotDisturb::keeper() at the time of the change
    DndState found = DndState::Off;

    // The record's file, and the lock of whoever switches or gives back.
    static QByteArray fileName() { return QByteArrayLiteral("do-not-disturb.json"); }
    static QByteArray lockName() { return QByteArrayLiteral("do-not-disturb.lock"); }

    QByteArray encode() const;
    // Null for anything this program did not write whole.
    static std::optional<DndRecord> decode(const QByteArray& data);

    friend bool operator==(const DndRecord&, const DndRecord&) = default;
};

} // namespace tavlin
