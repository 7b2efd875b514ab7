#include "platform/wayland/gnome/GnomeOverlaySurfaces.h"

#include "platform/wayland/gnome/GnomeExtensionOffer.h"
#include "platform/wayland/gnome/GnomeOverlaySurface.h"
#include "platform/wayland/gnome/GnomeShell.h"

#include <QFile>

namespace tavlin {

GnomeOverlaySurfaces::GnomeOverlaySurfaces(std::shared_ptr<GnomeShell> shell, QObject* parent)
    : OverlaySurfaces(parent), m_shell(std::move(shell)),
      m_folder(std::make_shared<GnomePictureFolder>(QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"))))
{
    new GnomeExtensionOffer(m_shell, this);
}

QString GnomeOverlaySurfaces::unavailableReason(OverlayLevel) const
{
    const QString shell = m_shell->unavailableReason();
    return shell.isEmpty() ? m_folder->error() : shell;
}

OverlaySurface* GnomeOverlaySurfaces::create(QScreen* screen, OverlayLevel level,
                                             const OverlayPlacement& placement,
                                             OverlayContent& content)
{
    if (!screen || !unavailableReason(level).isEmpty())
        return nullptr;
    return new GnomeOverlaySurface(m_shell, m_folder, ++m_made, *screen, level, placement, content);
}

} // namespace tavlin
