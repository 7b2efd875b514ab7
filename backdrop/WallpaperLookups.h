#pragma once

#include "platform/DesktopPictures.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QThreadPool>
#include <optional>

namespace tavlin {

// Finds out, off the GUI thread, which picture each screen's desktop shows, and decodes it:
// asking the desktop's tools can take most of a second and decoding a large picture a good
// part of one. One lookup per screen at a time; asking again while one runs runs it once more
// afterwards, as the answer may have changed meanwhile.
class WallpaperLookups : public QObject
{
    Q_OBJECT
public:
    // What a lookup found for one screen. `decoded` is the file's picture, null when the
    // caller said it has it already or it could not be decoded (then `readable` is false).
    struct Found
    {
        QString screen;
        DesktopPicture picture;
        QImage decoded;
        bool readable = true;
        bool sameAsBefore = false; // the same file, or the same pixels, as `previous` had
    };

    explicit WallpaperLookups(const DesktopPictures* pictures, QObject* parent = nullptr);
    ~WallpaperLookups() override;

    // `decodedFiles` need not be decoded again; `previous` is what the screen shows now.
    void lookUp(const DesktopScreen& screen, const QSet<QString>& decodedFiles,
                const DesktopPicture& previous);

    bool isBusy() const { return !m_running.isEmpty(); }

Q_SIGNALS:
    void found(const tavlin::WallpaperLookups::Found& found);

private:
    struct Request
    {
        DesktopScreen screen;
        QSet<QString> decodedFiles;
        DesktopPicture previous;
    };
    void start(const Request& request);

    const DesktopPictures* m_pictures;
    QHash<QString, std::optional<Request>> m_running; // by screen name: the request queued next
    QThreadPool m_pool;                               // last: it is waited for first
};

} // namespace tavlin
