#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// File paths are byte strings, preferences are text. Paths are stored as their UTF-8 text, with
// a backslash escape for the two things text cannot carry as-is: a byte that is not part of valid
// UTF-8 becomes "\xHH", and a backslash becomes "\\". Every byte string survives the round trip,
// and ordinary paths read exactly as they are.
namespace tavlin::StoredPath {

QString encode(const QByteArray& path);

// nullopt when the text is not something encode() can produce (a broken escape).
std::optional<QByteArray> decode(const QString& text);

// The same escapes as UTF-8 bytes for a line of a text file: control bytes (TAB and newline
// among them) are written as "\xHH" too, so a path never spans or splits a line.
QByteArray encodeLine(const QByteArray& path);
std::optional<QByteArray> decodeLine(const QByteArray& text);

} // namespace tavlin::StoredPath
