#include "backdrop/WallpaperLookups.h"

#include <QImageReader>

namespace tavlin {

namespace {

WallpaperLookups::Found lookUpNow(const DesktopPictures& pictures, const DesktopScreen& screen,
                                  const QSet<QString>& decodedFiles, const DesktopPicture& previous)
{
    WallpaperLookups::Found found;
    found.screen = screen.name;
    found.picture = pictures.pictureFor(screen);
    const QString& file = found.picture.file;
    if (!file.isEmpty() && !decodedFiles.contains(file)) {
        QImageReader reader(file);
        reader.setAutoTransform(true);
        found.decoded = reader.read();
        found.readable = !found.decoded.isNull();
    }
    found.sameAsBefore = found.readable && file == previous.file &&
                         (!file.isEmpty() || found.picture.image == previous.image);
    return found;
}

} // namespace

WallpaperLookups::WallpaperLookups(const DesktopPictures* pictures, QObject* parent)
    : QObject(parent), m_pictures(pictures)
{
    m_pool.setMaxThreadCount(1);
}

WallpaperLookups::~WallpaperLookups()
{
    m_pool.waitForDone();
}

void WallpaperLookups::lookUp(const DesktopScreen& screen, const QSet<QString>& decodedFiles,
                              const DesktopPicture& previous)
{
    if (!m_pictures)
        return;
    const Request request{screen, decodedFiles, previous};
    if (const auto running = m_running.find(screen.name); running != m_running.end()) {
        *running = request;
        return;
    }
    m_running.insert(screen.name, std::nullopt);
    start(request);
}

void WallpaperLookups::start(const Request& request)
{
    m_pool.start([this, request] {
        Found found =
            lookUpNow(*m_pictures, request.screen, request.decodedFiles, request.previous);
        QMetaObject::invokeMethod(
            this,
            [this, found = std::move(found)] {
                const std::optional<Request> next = m_running.take(found.screen);
                if (next) {
                    m_running.insert(found.screen, std::nullopt);
                    start(*next);
                }
                Q_EMIT this->found(found);
            },
            Qt::QueuedConnection);
    });
}

} // namespace tavlin
