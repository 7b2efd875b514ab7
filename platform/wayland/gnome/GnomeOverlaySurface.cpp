#include "platform/wayland/gnome/GnomeOverlaySurface.h"

#include "platform/wayland/gnome/GnomePictureFolder.h"
#include "platform/wayland/gnome/GnomeShell.h"

#include <QPainter>
#include <QScreen>
#include <algorithm>

namespace tavlin {

namespace {

QString levelName(OverlayLevel level)
{
    switch (level) {
    case OverlayLevel::Cover:
        return QStringLiteral("cover");
    case OverlayLevel::Spotlight:
        return QStringLiteral("spotlight");
    case OverlayLevel::SpotlightPanels:
        return QStringLiteral("spotlight-panels");
    case OverlayLevel::Reminder:
        break;
    }
    return QStringLiteral("reminder");
}

} // namespace

GnomeOverlaySurface::GnomeOverlaySurface(std::shared_ptr<GnomeShell> shell,
                                         std::shared_ptr<GnomePictureFolder> folder, quint32 id,
                                         QScreen& screen, OverlayLevel level,
                                         const OverlayPlacement& placement, OverlayContent& content)
    : m_shell(std::move(shell)), m_folder(std::move(folder)), m_id(id), m_level(level),
      m_geometry(placement.rectOn(screen.geometry(), screen.availableGeometry())),
      m_ratio(screen.devicePixelRatio()), m_content(content)
{
    m_repaint.setSingleShot(true);
    m_repaint.setInterval(0);
    connect(&m_repaint, &QTimer::timeout, this, &GnomeOverlaySurface::sendPicture);
}

GnomeOverlaySurface::~GnomeOverlaySurface()
{
    if (m_shown)
        m_shell->call(QStringLiteral("Remove"), {m_id});
}

void GnomeOverlaySurface::setLevel(OverlayLevel level)
{
    m_level = level;
    if (m_shown)
        m_shell->call(QStringLiteral("SetLevel"), {m_id, levelName(level)});
}

void GnomeOverlaySurface::setOpacity(double opacity)
{
    m_opacity = std::clamp(opacity, 0.0, 1.0);
    if (m_shown)
        m_shell->call(QStringLiteral("SetOpacity"), {m_id, m_opacity});
}

QString GnomeOverlaySurface::render()
{
    QImage image(m_geometry.size() * m_ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(m_ratio);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        const QRect all(QPoint(0, 0), m_geometry.size());
        painter.setClipRect(all);
        m_content.paint(painter, m_geometry.size(), QRegion(all), false);
    }
    return m_folder->write(image);
}

void GnomeOverlaySurface::show()
{
    if (m_shown)
        return;
    m_shown = true;
    m_repaint.stop();
    const QString picture = render();
    if (picture.isEmpty()) {
        qWarning("tavlin: cannot write the overlay's picture for GNOME Shell");
        return;
    }
    m_shell->call(QStringLiteral("Show"),
                  {m_id, levelName(m_level), m_geometry.x(), m_geometry.y(), m_geometry.width(),
                   m_geometry.height(), picture, m_opacity},
                  [this, picture, folder = m_folder, alive = QPointer(this)](bool shown) {
                      folder->remove(picture); // the shell has it in memory now
                      if (alive && shown)
                          Q_EMIT presented();
                  });
    if (m_following)
        m_shell->call(
            QStringLiteral("FollowWindows"),
            {m_id, QVariant::fromValue(QList<uint>(m_pids.begin(), m_pids.end())), m_radius});
}

void GnomeOverlaySurface::hide()
{
    if (!m_shown)
        return;
    m_shown = false;
    m_repaint.stop();
    m_shell->call(QStringLiteral("Remove"), {m_id});
}

void GnomeOverlaySurface::update(const QRegion& area)
{
    if (m_shown && !area.isEmpty())
        m_repaint.start();
}

void GnomeOverlaySurface::sendPicture()
{
    const QString picture = render();
    if (picture.isEmpty())
        return;
    m_shell->call(QStringLiteral("SetPicture"), {m_id, picture},
                  [picture, folder = m_folder](bool) { folder->remove(picture); });
}

bool GnomeOverlaySurface::followWindows(const QSet<qint32>& pids, double radius)
{
    if (m_following && pids == m_pids && radius == m_radius)
        return true;
    m_following = true;
    m_pids = pids;
    m_radius = radius;
    if (m_shown)
        m_shell->call(
            QStringLiteral("FollowWindows"),
            {m_id, QVariant::fromValue(QList<uint>(m_pids.begin(), m_pids.end())), m_radius});
    return true;
}

} // namespace tavlin
