#pragma once

#include <QList>
#include <QSize>
#include <QString>

namespace tavlin {

// The wallpapers of Plasma's desktop containments, read from its applets file. The file is
// KConfig, whose nested group names and escapes QSettings does not understand.
class PlasmaWallpaperConfig
{
public:
    // Reads the file at `path`; an absent or unreadable file holds no containment.
    explicit PlasmaWallpaperConfig(const QString& path);

    // The local image for Plasma's screen number `screenIndex` (on X11 the way
    // QGuiApplication::screens() lists them), taking the size that best fits `screenSize` from
    // a wallpaper package; empty when no containment clearly belongs to that screen.
    QString imageFor(int screenIndex, QSize screenSize) const;

private:
    struct Containment
    {
        QString id;
        int lastScreen = -1;
        QString wallpaperPlugin;
        QString image;
    };

    Containment& containment(const QString& id);
    static QString packageImage(const QString& folder, QSize screenSize);

    QList<Containment> m_containments;
};

} // namespace tavlin
