#pragma once

#include "platform/OverlayContent.h"
#include "platform/OverlayPlacement.h"
#include "platform/OverlaySurface.h"

#include <QPointer>
#include <QSet>
#include <QTimer>
#include <memory>

class QScreen;

namespace tavlin {

class GnomePictureFolder;
class GnomeShell;

// One overlay as a picture inside GNOME Shell: its content is rendered into a file the
// extension loads, then removed. Opacity, level and the windows it leaves holes over are told
// to the extension as they change; moving holes cost nothing here.
class GnomeOverlaySurface : public OverlaySurface
{
    Q_OBJECT
public:
    GnomeOverlaySurface(std::shared_ptr<GnomeShell> shell,
                        std::shared_ptr<GnomePictureFolder> folder, quint32 id, QScreen& screen,
                        OverlayLevel level, const OverlayPlacement& placement,
                        OverlayContent& content);
    ~GnomeOverlaySurface() override;

    QRect geometry() const override { return m_geometry; }
    OverlayLevel level() const override { return m_level; }
    void setLevel(OverlayLevel level) override;
    double opacity() const override { return m_opacity; }
    void setOpacity(double opacity) override;
    bool isShown() const override { return m_shown; }
    void show() override;
    void hide() override;
    void update(const QRegion& area) override;
    bool followWindows(const QSet<qint32>& pids, double radius) override;
    quint64 nativeId() const override { return m_id; }

private:
    QString render();
    void sendPicture();

    std::shared_ptr<GnomeShell> m_shell;
    std::shared_ptr<GnomePictureFolder> m_folder;
    quint32 m_id;
    OverlayLevel m_level;
    QRect m_geometry;
    qreal m_ratio;
    OverlayContent& m_content;
    double m_opacity = 1;
    bool m_shown = false;
    bool m_following = false;
    QSet<qint32> m_pids;
    double m_radius = 0;
    QTimer m_repaint; // gathers the updates of one turn of the event loop into one picture
};

} // namespace tavlin
