#pragma once

#include <QByteArray>

// Byte-level path arithmetic. Paths are absolute byte strings with "/" separators.
namespace tavlin::FileName {

QByteArray join(const QByteArray& folder, const QByteArray& name);
QByteArray lastComponent(const QByteArray& path);
QByteArray parent(const QByteArray& path);

// The text after the last "." of a name; empty when there is none, when the dot starts the
// name (".profile") or ends it ("notes.").
QByteArray extension(const QByteArray& name);
// The name without ".extension"; the whole name when it has no extension.
QByteArray withoutExtension(const QByteArray& name);

} // namespace tavlin::FileName
