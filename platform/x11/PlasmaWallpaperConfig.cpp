#include "platform/x11/PlasmaWallpaperConfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace tavlin {

namespace {

// The applets file of a busy desktop is tens of kilobytes; far more means it is not one.
constexpr qint64 maxConfigSize = 8 * 1024 * 1024;

const QString imagePlugin = QStringLiteral("org.kde.image");

// "[Containments][7][Wallpaper]" → {"Containments", "7", "Wallpaper"}.
QStringList groupPath(QStringView line)
{
    QStringList names;
    while (line.startsWith(u'[')) {
        const qsizetype end = line.indexOf(u']');
        if (end < 0)
            return {};
        names.append(line.mid(1, end - 1).toString());
        line = line.mid(end + 1);
    }
    return line.trimmed().isEmpty() ? names : QStringList();
}

// KConfig's value escapes: \s \t \n \r \\ and \xNN.
QString unescaped(QStringView value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const QChar next = value[++i];
        if (next == u's')
            out += u' ';
        else if (next == u't')
            out += u'\t';
        else if (next == u'n')
            out += u'\n';
        else if (next == u'r')
            out += u'\r';
        else if (next == u'x' && i + 2 < value.size()) {
            bool ok = false;
            const int code = value.mid(i + 1, 2).toInt(&ok, 16);
            out += ok ? QChar(code) : u'?';
            i += 2;
        } else
            out += next;
    }
    return out;
}

// Image= holds a file URL, a plain path, or a wallpaper package folder.
QString localPath(const QString& value)
{
    if (value.startsWith(u"file:"))
        return QUrl(value).toLocalFile();
    return value.startsWith(u'/') ? value : QString();
}

} // namespace

PlasmaWallpaperConfig::PlasmaWallpaperConfig(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxConfigSize)
        return;
    QStringList group;
    const QString text = QString::fromUtf8(file.readAll());
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            group = groupPath(line);
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0 || group.size() < 2 || group[0] != u"Containments")
            continue;
        QStringView key = line.left(equals).trimmed();
        // Skip translated entries (Key[de]); keep flagged ones (Key[$i]) as their plain key.
        if (const qsizetype bracket = key.indexOf(u'['); bracket >= 0) {
            if (!key.mid(bracket).startsWith(u"[$"))
                continue;
            key = key.left(bracket);
        }
        const QString value = unescaped(line.mid(equals + 1).trimmed());
        const bool ownGroup = group.size() == 2;
        const bool imageGroup = group.size() == 5 && group[2] == u"Wallpaper" &&
                                group[3] == imagePlugin && group[4] == u"General";
        if (ownGroup && key == u"lastScreen") {
            bool ok = false;
            const int screen = value.toInt(&ok);
            containment(group[1]).lastScreen = ok ? screen : -1;
        } else if (ownGroup && key == u"wallpaperplugin") {
            containment(group[1]).wallpaperPlugin = value;
        } else if (imageGroup && key == u"Image") {
            containment(group[1]).image = value;
        }
    }
}

PlasmaWallpaperConfig::Containment& PlasmaWallpaperConfig::containment(const QString& id)
{
    for (Containment& c : m_containments) {
        if (c.id == id)
            return c;
    }
    m_containments.append(Containment{id, -1, {}, {}});
    return m_containments.last();
}

QString PlasmaWallpaperConfig::imageFor(int screenIndex, QSize screenSize) const
{
    // Panels and containments showing another kind of wallpaper (a slideshow, a colour) keep
    // stale image entries; they say nothing about what is on screen.
    QList<const Containment*> shown;
    for (const Containment& c : m_containments) {
        if (!c.image.isEmpty() && (c.wallpaperPlugin.isEmpty() || c.wallpaperPlugin == imagePlugin))
            shown.append(&c);
    }
    const Containment* chosen = shown.size() == 1 ? shown.first() : nullptr;
    for (qsizetype i = 0; !chosen && i < shown.size(); ++i) {
        if (shown[i]->lastScreen == screenIndex)
            chosen = shown[i];
    }
    if (!chosen)
        return {};
    const QString path = localPath(chosen->image);
    return QFileInfo(path).isDir() ? packageImage(path, screenSize) : path;
}

// A package holds one picture in several sizes, named like 1920x1080.jpg.
QString PlasmaWallpaperConfig::packageImage(const QString& folder, QSize screenSize)
{
    static const QRegularExpression sizeName(QStringLiteral("^(\\d+)x(\\d+)\\."));
    const QFileInfoList files =
        QDir(folder + QStringLiteral("/contents/images")).entryInfoList(QDir::Files, QDir::Name);
    QString covering, largest;
    qint64 coveringArea = 0, largestArea = 0;
    for (const QFileInfo& file : files) {
        const QRegularExpressionMatch match = sizeName.match(file.fileName());
        if (!match.hasMatch())
            continue;
        const QSize size(match.captured(1).toInt(), match.captured(2).toInt());
        const qint64 area = qint64(size.width()) * size.height();
        if (area > largestArea) {
            largest = file.filePath();
            largestArea = area;
        }
        if (size.width() >= screenSize.width() && size.height() >= screenSize.height() &&
            (covering.isEmpty() || area < coveringArea)) {
            covering = file.filePath();
            coveringArea = area;
        }
    }
    if (!covering.isEmpty())
        return covering;
    if (!largest.isEmpty())
        return largest;
    return files.isEmpty() ? QString() : files.first().filePath();
}

} // namespace tavlin
