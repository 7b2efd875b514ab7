#include "app/AppModel.h"

#include "menu/HotKeyChords.h"

namespace tavlin {

AppModel::AppModel(AppServices& services, QObject* parent)
    : QObject(parent), m_services(services),
      m_images(std::make_unique<BackdropImages>(BackdropImages::defaultPictureFolders(),
                                                services.window.desktopPictures.get())),
      m_access(std::make_unique<DesktopAccess>(*services.core.settings, *services.core.fileSystem,
                                               services.folderChooser.get()))
{
    SettingsStore& settings = *services.core.settings;
    WindowServices& window = services.window;
    m_cover =
        std::make_unique<DesktopCover>(settings, *m_images, *window.overlays, *window.workspace);
    // Whatever an instance that was killed still had switched on goes back first.
    DoNotDisturbSwitch::giveBackLeftover(*services.notifications, *services.core.state);
    m_doNotDisturb = std::make_unique<DoNotDisturbSwitch>(
        *services.notifications, *services.core.state, *services.exitGuard);
    m_spotlight = std::make_unique<Spotlight>(settings, *m_images, window, m_doNotDisturb.get());
    const TidyServices tidy{*services.core.fileSystem, settings, *services.core.clock,
                            *services.core.contentTypes, *services.core.state};
    m_tidy = std::make_unique<DesktopTidy>(tidy, *m_access, services.reveal.get(),
                                           std::move(services.desktopWatcher));
    // Read once; from here on only the menu changes it.
    m_launchAtLogin = services.loginItem->isEnabled();
    m_backdrop = Backdrop::stored(settings);

    m_hotKeys = std::make_unique<HotKeys>(*services.hotKeyGrabber);
    DesktopCover* cover = m_cover.get();
    Spotlight* spotlight = m_spotlight.get();
    // Named as in the menu: a desktop that lists shortcuts shows these names.
    m_coverHotKey =
        m_hotKeys->registerHotKey(HotKeyChords::cover, QStringLiteral("Hide Desktop Icons"),
                                  [cover] { cover->toggleWithoutAnimation(); });
    m_spotlightHotKey =
        m_hotKeys->registerHotKey(HotKeyChords::spotlight, QStringLiteral("Spotlight Mode"),
                                  [spotlight] { spotlight->toggleWithoutAnimation(); });
}

AppModel::~AppModel() = default;

void AppModel::setLaunchAtLogin(bool on)
{
    const bool previous = m_launchAtLogin;
    if (on == previous)
        return;
    m_launchAtLogin = on;
    Q_EMIT launchAtLoginChanged();
    if (m_services.loginItem->setEnabled(on))
        return;
    // Refused: the toggle flips back, and the opposite change is asked for once. Should that
    // fail too, the flag stays where the user found it.
    if (m_revertingLogin)
        return;
    m_revertingLogin = true;
    setLaunchAtLogin(previous);
    m_revertingLogin = false;
}

void AppModel::setBackdrop(const Backdrop& backdrop)
{
    const bool changed = !(backdrop == m_backdrop);
    m_backdrop = backdrop;
    if (changed)
        Q_EMIT backdropChanged();
    m_services.core.settings->setValue(Backdrop::settingsKey(), backdrop.storedValue());
    if (m_cover->isOn())
        m_cover->crossfadeBackdrop();
    m_spotlight->rebuildWindows(true);
}

} // namespace tavlin
