#include "backdrop/Backdrop.h"

#include "backdrop/BackdropCatalog.h"

#include <QHashFunctions>

namespace tavlin {

Backdrop Backdrop::fromStoredValue(const QString& stored)
{
    if (stored == QLatin1String("gradient"))
        return gradient();
    for (const BackdropPicture& picture : backdropCatalog()) {
        if (stored == picture.file)
            return image(stored);
    }
    return wallpaper();
}

Backdrop Backdrop::stored(const SettingsStore& settings)
{
    return fromStoredValue(settings.string(settingsKey()).value_or(QString()));
}

QString Backdrop::storedValue() const
{
    switch (m_kind) {
    case Kind::Wallpaper:
        return QStringLiteral("wallpaper");
    case Kind::Gradient:
        return QStringLiteral("gradient");
    case Kind::Image:
        return m_file;
    }
    return QStringLiteral("wallpaper");
}

size_t qHash(const Backdrop& backdrop, size_t seed)
{
    QtPrivate::QHashCombine combine;
    seed = combine(seed, int(backdrop.kind()));
    if (backdrop.kind() == Backdrop::Kind::Image)
        seed = combine(seed, backdrop.file());
    return seed;
}

} // namespace tavlin
