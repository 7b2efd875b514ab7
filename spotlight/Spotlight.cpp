#include "spotlight/Spotlight.h"

#include "backdrop/Backdrop.h"
#include "backdrop/OverlayHandover.h"
#include "spotlight/CutoutView.h"
#include "spotlight/DoNotDisturbSwitch.h"
#include "spotlight/HoleGeometry.h"
#include "spotlight/TargetRule.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QJsonArray>
#include <QScreen>

namespace tavlin {

namespace {

const QString pinnedKey = QStringLiteral("spotlightApps");
const QString coversMenuBarKey = QStringLiteral("spotlightCoversMenuBar");
const QString remindsKey = QStringLiteral("spotlightRemindsAboutNotifications");
const QString doNotDisturbKey = QStringLiteral("spotlightTurnsOnDoNotDisturb");

} // namespace

Spotlight::Spotlight(SettingsStore& settings, BackdropImages& images, WindowServices& services,
                     DoNotDisturbSwitch* doNotDisturb, QObject* parent)
    : QObject(parent), m_settings(settings), m_images(images), m_services(services),
      m_selfPid(qint32(QCoreApplication::applicationPid())), m_doNotDisturb(doNotDisturb),
      m_reminder(settings, *services.overlays, [this] { return screenOfActiveWindow(); })
{
    for (const QJsonValue& id : m_settings.array(pinnedKey).value_or(QJsonArray())) {
        if (id.isString())
            m_pinnedApps.insert(id.toString());
    }
    m_coversMenuBar = m_settings.boolean(coversMenuBarKey);
    const QJsonValue reminds = m_settings.value(remindsKey);
    m_remindsAboutNotifications = reminds.isBool() ? reminds.toBool() : true;
    m_turnsOnDoNotDisturb = m_settings.boolean(doNotDisturbKey);

    refreshRunningApps();
    connect(m_services.runningApps.get(), &RunningApps::changed, this,
            &Spotlight::refreshRunningApps);
    connect(m_services.workspace.get(), &WorkspaceEvents::screensChanged, this,
            [this] { rebuildWindows(false); });
    connect(&m_images, &BackdropImages::wallpapersChanged, this, [this] {
        if (Backdrop::stored(m_settings) == Backdrop::wallpaper())
            rebuildWindows(false);
    });

    // Ticks follow changes, at most one a frame; a still screen costs nothing.
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Spotlight::updateHoles);
    m_sinceTick.start();
    connect(m_services.windowList.get(), &WindowList::changed, this, &Spotlight::scheduleTick);
    connect(this, &Spotlight::runningAppsChanged, this, &Spotlight::scheduleTick);
    connect(this, &Spotlight::pinnedAppsChanged, this, &Spotlight::scheduleTick);
}

Spotlight::~Spotlight()
{
    for (const QPointer<OverlayWindow>& window : std::as_const(m_windows))
        delete window.data(); // now: no event loop may run again to delete them later
}

void Spotlight::setOn(bool on)
{
    // Where it cannot work it stays off: no cover without holes that follow.
    if (m_isOn == on || (on && !unavailableReason().isEmpty()))
        return;
    m_isOn = on;
    Q_EMIT isOnChanged();
    if (on)
        start();
    else
        stop();
}

QString Spotlight::unavailableReason() const
{
    const QString overlays = m_services.overlays->unavailableReason(level());
    return overlays.isEmpty() ? m_services.windowList->unavailableReason() : overlays;
}

void Spotlight::setPinnedApps(const QSet<QString>& apps)
{
    const bool changed = apps != m_pinnedApps;
    m_pinnedApps = apps;
    if (changed)
        Q_EMIT pinnedAppsChanged();
    savePinnedApps();
}

void Spotlight::setCoversMenuBar(bool covers)
{
    const bool changed = covers != m_coversMenuBar;
    m_coversMenuBar = covers;
    if (changed)
        Q_EMIT coversMenuBarChanged();
    m_settings.setBoolean(coversMenuBarKey, covers);
    // Re-levelled in place, not rebuilt: no fade, no flicker.
    for (OverlayWindow* window : windows())
        window->setLevel(level());
}

void Spotlight::setRemindsAboutNotifications(bool reminds)
{
    const bool changed = reminds != m_remindsAboutNotifications;
    m_remindsAboutNotifications = reminds;
    if (changed)
        Q_EMIT remindsAboutNotificationsChanged();
    SettingsStore::Changes changes{{remindsKey, reminds}};
    // Switching it on again allows the reminder its three showings afresh.
    if (reminds)
        changes.append({FocusReminder::countKey(), QJsonValue(QJsonValue::Undefined)});
    m_settings.setValues(changes);
}

void Spotlight::setTurnsOnDoNotDisturb(bool turnsOn)
{
    const bool changed = turnsOn != m_turnsOnDoNotDisturb;
    m_turnsOnDoNotDisturb = turnsOn;
    if (changed)
        Q_EMIT turnsOnDoNotDisturbChanged();
    m_settings.setBoolean(doNotDisturbKey, turnsOn);
}

QString Spotlight::doNotDisturbUnavailableReason() const
{
    return m_doNotDisturb ? m_doNotDisturb->unavailableReason()
                          : QCoreApplication::translate("tavlin", "No notification service");
}

bool Spotlight::isPinned(const RunningApp& app) const
{
    return !app.identifier.isEmpty() && m_pinnedApps.contains(app.identifier);
}

void Spotlight::setPinned(const RunningApp& app, bool pinned)
{
    if (app.identifier.isEmpty())
        return;
    if (pinned)
        m_pinnedApps.insert(app.identifier);
    else
        m_pinnedApps.remove(app.identifier);
    savePinnedApps();
    Q_EMIT pinnedAppsChanged();
}

void Spotlight::savePinnedApps()
{
    QJsonArray ids;
    for (const QString& id : std::as_const(m_pinnedApps))
        ids.append(id);
    m_settings.setValue(pinnedKey, ids);
}

void Spotlight::refreshRunningApps()
{
    QList<RunningApp> apps = TargetRule::menuApps(m_services.runningApps->apps(), m_selfPid);
    const bool changed = !sameApps(apps, m_runningApps);
    m_runningApps = std::move(apps);
    if (changed)
        Q_EMIT runningAppsChanged();
}

QSet<qint32> Spotlight::targetPids() const
{
    return TargetRule::targetPids(m_runningApps, m_pinnedApps, m_fallbackPid);
}

void Spotlight::toggleWithoutAnimation()
{
    m_animates = false;
    setOn(!m_isOn);
    m_animates = true;
}

void Spotlight::start()
{
    m_fallbackPid = TargetRule::fallbackPid(m_services.runningApps->frontmostPid(), m_selfPid);
    m_services.windowList->setFollowed(true);
    rebuildWindows(m_animates);
    // Once Do Not Disturb is on, a reminder to turn it on would be wrong.
    const bool silenced = m_turnsOnDoNotDisturb && m_doNotDisturb && m_doNotDisturb->switchOn();
    // Only a start from the menu reminds; the hot key is for someone already recording.
    if (m_remindsAboutNotifications && m_animates && !silenced)
        m_reminder.showReminderIfNeeded();
}

void Spotlight::stop()
{
    m_reminder.dismissReminder();
    m_timer.stop();
    m_services.windowList->setFollowed(false);
    OverlayWindow::retire(m_windows, m_animates);
    m_windows.clear();
    // Whatever the option says now: what was switched on goes back.
    if (m_doNotDisturb)
        m_doNotDisturb->giveBack();
}

void Spotlight::rebuildWindows(bool animated)
{
    if (!m_isOn)
        return;
    const QList<QPointer<OverlayWindow>> old = m_windows;
    m_windows.clear();
    const bool fade = animated && m_services.overlays->blends();
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* screen : screens) {
        // The stored value decides, read afresh for every overlay.
        auto view = std::make_unique<CutoutView>(
            m_images.screenImage(Backdrop::stored(m_settings), screen));
        OverlayWindow* window =
            OverlayWindow::create(*m_services.overlays, screen, level(), std::move(view));
        if (!window)
            continue;
        window->fadeIn(fade);
        m_windows.append(window);
    }
    updateHoles();

    // The old overlays stay until the new ones are on screen and, animated, have faded in.
    OverlayHandover::start(old, m_windows, fade ? crossfadeOrderOutMs : 0, this);
}

void Spotlight::scheduleTick()
{
    if (m_isOn && !m_timer.isActive())
        m_timer.start(int(std::max<qint64>(0, tickMs - m_sinceTick.elapsed())));
}

void Spotlight::updateHoles()
{
    m_timer.stop();
    m_sinceTick.start();
    if (QGuiApplication::screens().isEmpty())
        return;
    const QSet<qint32> targets = targetPids();
    const std::optional<QList<WindowInfo>> listed = m_services.windowList->windows();
    const QList<QRectF> holes =
        listed ? HoleGeometry::globalHoles(*listed, targets) : QList<QRectF>();
    for (const QPointer<OverlayWindow>& window : std::as_const(m_windows)) {
        CutoutView* view = viewOf(window);
        // Where the window system follows the windows itself, it only needs to know which.
        if (!view || window->surface().followWindows(targets, CutoutView::holeCornerRadius))
            continue;
        if (!listed)
            continue; // the holes stay as they are until the list is back
        const QScreen* screen = QGuiApplication::screenAt(window->geometry().center());
        if (!screen)
            continue;
        QList<QRectF> own =
            HoleGeometry::holesForOverlay(holes, m_services.windowList->mappingFor(*screen));
        const QRegion damage = HoleGeometry::damage(view->holes(), own, window->geometry().size());
        view->setHoles(std::move(own));
        if (!damage.isEmpty())
            window->surface().update(damage);
    }
}

QList<OverlayWindow*> Spotlight::windows() const
{
    QList<OverlayWindow*> windows;
    for (const QPointer<OverlayWindow>& window : m_windows) {
        if (window)
            windows.append(window);
    }
    return windows;
}

CutoutView* Spotlight::viewOf(OverlayWindow* window) const
{
    // Every overlay this controller makes shows a cut-out view.
    return window ? static_cast<CutoutView*>(&window->content()) : nullptr;
}

OverlayLevel Spotlight::level() const
{
    return m_coversMenuBar ? OverlayLevel::SpotlightPanels : OverlayLevel::Spotlight;
}

QScreen* Spotlight::screenOfActiveWindow() const
{
    const std::optional<qint32> front = m_services.runningApps->frontmostPid();
    if (!front)
        return nullptr;
    for (const WindowInfo& window :
         m_services.windowList->windows().value_or(QList<WindowInfo>())) {
        if (window.pid == front && window.ordinary)
            return m_services.windowList->screenAt(window.bounds.center());
    }
    return nullptr;
}

} // namespace tavlin
