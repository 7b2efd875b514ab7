#pragma once

#include "app/AppServices.h"
#include "backdrop/Backdrop.h"
#include "backdrop/BackdropImages.h"
#include "backdrop/DesktopCover.h"
#include "menu/HotKeys.h"
#include "spotlight/Spotlight.h"
#include "tidy/DesktopAccess.h"
#include "tidy/DesktopTidy.h"

#include <QObject>
#include <memory>

namespace tavlin {

// The root of the running program: the three features, the two hot keys that switch the
// overlays, and the two settings that belong to the program as a whole.
class AppModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(
        bool launchAtLogin READ launchAtLogin WRITE setLaunchAtLogin NOTIFY launchAtLoginChanged)
    Q_PROPERTY(tavlin::Backdrop backdrop READ backdrop WRITE setBackdrop NOTIFY backdropChanged)

public:
    // `services` must outlive the model.
    explicit AppModel(AppServices& services, QObject* parent = nullptr);
    ~AppModel() override;

    DesktopCover& cover() { return *m_cover; }
    Spotlight& spotlight() { return *m_spotlight; }
    DesktopTidy& tidy() { return *m_tidy; }
    HotKeys& hotKeys() { return *m_hotKeys; }
    // The ids the two chords were registered under.
    quint32 coverHotKey() const { return m_coverHotKey; }
    quint32 spotlightHotKey() const { return m_spotlightHotKey; }
    BackdropImages& images() { return *m_images; }

    bool launchAtLogin() const { return m_launchAtLogin; }
    void setLaunchAtLogin(bool on);
    Backdrop backdrop() const { return m_backdrop; }
    // Stored first, since overlays read the stored value when they build; then the cover
    // cross-fades and spotlight mode rebuilds. Runs even when the value is unchanged.
    void setBackdrop(const Backdrop& backdrop);

Q_SIGNALS:
    void launchAtLoginChanged();
    void backdropChanged();

private:
    AppServices& m_services;
    std::unique_ptr<BackdropImages> m_images;
    std::unique_ptr<DesktopAccess> m_access;
    std::unique_ptr<DesktopCover> m_cover;
    std::unique_ptr<Spotlight> m_spotlight;
    std::unique_ptr<DesktopTidy> m_tidy;
    bool m_launchAtLogin = false;
    bool m_revertingLogin = false;
    Backdrop m_backdrop;
    std::unique_ptr<HotKeys> m_hotKeys;
    quint32 m_coverHotKey = 0;
    quint32 m_spotlightHotKey = 0;
};

} // namespace tavlin
