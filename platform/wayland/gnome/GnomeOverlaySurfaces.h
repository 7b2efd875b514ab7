#pragma once

#include "platform/OverlaySurfaces.h"
#include "platform/wayland/gnome/GnomePictureFolder.h"

#include <memory>

namespace tavlin {

class GnomeShell;

// Overlays shown by Tavlin's GNOME Shell extension: each surface's content is rendered here
// into a picture, which the extension shows at the surface's level inside the shell.
class GnomeOverlaySurfaces : public OverlaySurfaces
{
    Q_OBJECT
public:
    explicit GnomeOverlaySurfaces(std::shared_ptr<GnomeShell> shell, QObject* parent = nullptr);

    QString unavailableReason(OverlayLevel level) const override;
    bool blends() const override { return true; }
    OverlaySurface* create(QScreen* screen, OverlayLevel level, const OverlayPlacement& placement,
                           OverlayContent& content) override;

private:
    std::shared_ptr<GnomeShell> m_shell;
    std::shared_ptr<GnomePictureFolder> m_folder;
    quint32 m_made = 0;
};

} // namespace tavlin
