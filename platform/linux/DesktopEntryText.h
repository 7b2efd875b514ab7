#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Reading and editing the [Desktop Entry] group of a desktop entry file as text, so that every
// line the edit does not concern stays exactly as it was.
namespace tavlin::DesktopEntryText {

// `argument` written for an Exec line: quoted when it holds a reserved character, with the
// escapes of the Exec rules inside the quotes and those of string values on top.
QByteArray execArgument(const QString& argument);

bool hasMainGroup(const QByteArray& contents);

// The value of `key` in the [Desktop Entry] group, without the spaces around it.
std::optional<QByteArray> value(const QByteArray& contents, const QByteArray& key);

// A boolean value as the format spells it: "true" (or "1") and "false" (or "0").
std::optional<bool> boolean(const QByteArray& contents, const QByteArray& key);

// `contents` with `key` set to `value` in the [Desktop Entry] group: existing lines for the key
// are rewritten in place, otherwise the key goes right below the group header.
QByteArray withValue(const QByteArray& contents, const QByteArray& key, const QByteArray& value);

} // namespace tavlin::DesktopEntryText
