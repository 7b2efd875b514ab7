#pragma once

#include "platform/SettingsStore.h"

#include <QString>
#include <cstddef>

namespace tavlin {

// What the overlays paint over the desktop: each screen's own wallpaper, the built-in soft
// gradient, or one of the built-in pictures (by file name). Stored as a string under "backdrop".
class Backdrop
{
public:
    enum class Kind { Wallpaper = 0, Gradient = 1, Image = 2 };

    Backdrop() = default; // the wallpaper
    static Backdrop wallpaper() { return {}; }
    static Backdrop gradient() { return Backdrop(Kind::Gradient, {}); }
    static Backdrop image(const QString& file) { return Backdrop(Kind::Image, file); }

    // Never fails: "gradient" exactly, or a built-in picture's exact file name; anything else,
    // including an empty string, is the wallpaper.
    static Backdrop fromStoredValue(const QString& stored);
    QString storedValue() const;

    // The preference key, and the backdrop stored under it now: every overlay window reads it
    // afresh when it is built.
    static QString settingsKey() { return QStringLiteral("backdrop"); }
    static Backdrop stored(const SettingsStore& settings);

    Kind kind() const { return m_kind; }
    QString file() const { return m_file; } // empty unless an image

    bool operator==(const Backdrop& other) const = default;

private:
    Backdrop(Kind kind, QString file) : m_kind(kind), m_file(std::move(file)) {}

    Kind m_kind = Kind::Wallpaper;
    QString m_file;
};

size_t qHash(const Backdrop& backdrop, size_t seed = 0);

} // namespace tavlin
