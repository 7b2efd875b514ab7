#pragma once

#include "platform/DesktopPictures.h"
#include "platform/x11/X11RootBackground.h"

#include <QStringList>
#include <functional>
#include <memory>

namespace tavlin {

class X11Connection;

// What each screen shows behind the windows: the file the desktop environment's settings name
// (chosen by XDG_CURRENT_DESKTOP, then a feh script), else the root window's background
// pixmap. Looks again on every call; the caller keeps what it decodes. Safe on any thread.
class X11DesktopPictures : public DesktopPictures
{
public:
    // Without a connection only the settings are read. `plasmaOutputOrder` names the outputs
    // in the order Plasma numbers its screens where that is not Qt's order (Wayland).
    explicit X11DesktopPictures(std::shared_ptr<X11Connection> connection,
                                std::function<QStringList()> plasmaOutputOrder = {});

    DesktopPicture pictureFor(const DesktopScreen& screen) const override;

private:
    QString configuredFile(const DesktopScreen& screen) const;
    QString xfceFile(const DesktopScreen& screen) const;
    QString plasmaFile(const DesktopScreen& screen) const;
    QString fehFile(const DesktopScreen& screen) const;

    std::shared_ptr<X11Connection> m_connection;
    std::function<QStringList()> m_plasmaOutputOrder;
    X11RootBackground m_rootBackground;
};

} // namespace tavlin
