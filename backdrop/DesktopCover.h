#pragma once

#include "backdrop/BackdropImages.h"
#include "backdrop/OverlayWindow.h"
#include "platform/OverlaySurfaces.h"
#include "platform/SettingsStore.h"
#include "platform/WorkspaceEvents.h"

#include <QList>
#include <QObject>
#include <QPointer>

class QScreen;

namespace tavlin {

// Hide Desktop Icons: while on, every screen carries a window just above the desktop icons and
// below every application window, showing the chosen backdrop. It follows screen changes and
// virtual-desktop switches, and swaps its windows without ever uncovering the icons.
class DesktopCover : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isOn READ isOn WRITE setOn NOTIFY isOnChanged)

public:
    static constexpr int crossfadeOrderOutMs = 200;

    DesktopCover(SettingsStore& settings, BackdropImages& images, OverlaySurfaces& surfaces,
                 WorkspaceEvents& workspace, QObject* parent = nullptr);
    ~DesktopCover() override;

    bool isOn() const { return m_isOn; }
    void setOn(bool on);

    // Why the cover cannot be shown in this session, in one line; empty when it can.
    QString unavailableReason() const;

    // The hot key's switch: the same as setOn(!isOn()), without fades.
    void toggleWithoutAnimation();

    // New windows for the screens as they are now, swapped in at once; only while on.
    void rebuild();

    // After a new backdrop was stored: new windows fade in over the old ones, which go 0.2 s
    // later, so the icons never show in between.
    void crossfadeBackdrop();

    QList<OverlayWindow*> windows() const;

Q_SIGNALS:
    void isOnChanged();

private:
    void show(bool animated);
    void hide(bool animated);
    OverlayWindow* makeCoverWindow(QScreen* screen, bool animated);

    SettingsStore& m_settings;
    BackdropImages& m_images;
    OverlaySurfaces& m_surfaces;
    bool m_isOn = false;
    bool m_animates = true;
    QList<QPointer<OverlayWindow>> m_windows;
};

} // namespace tavlin
