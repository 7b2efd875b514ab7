#pragma once

#include "backdrop/BackdropImages.h"
#include "backdrop/OverlayWindow.h"
#include "platform/RunningApp.h"
#include "platform/RunningApps.h"
#include "platform/SettingsStore.h"
#include "platform/WindowServices.h"
#include "spotlight/FocusReminder.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTimer>
#include <optional>

namespace tavlin {

class CutoutView;
class DoNotDisturbSwitch;

// Spotlight mode: while on, every screen is covered by an overlay showing the backdrop, with
// rounded holes over the windows of the pinned applications (or, when none of them runs, of the
// application that was in front when the mode started). The holes follow their windows sixty
// times a second.
class Spotlight : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isOn READ isOn WRITE setOn NOTIFY isOnChanged)
    Q_PROPERTY(
        QSet<QString> pinnedApps READ pinnedApps WRITE setPinnedApps NOTIFY pinnedAppsChanged)
    Q_PROPERTY(
        bool coversMenuBar READ coversMenuBar WRITE setCoversMenuBar NOTIFY coversMenuBarChanged)
    Q_PROPERTY(bool remindsAboutNotifications READ remindsAboutNotifications WRITE
                   setRemindsAboutNotifications NOTIFY remindsAboutNotificationsChanged)
    Q_PROPERTY(bool turnsOnDoNotDisturb READ turnsOnDoNotDisturb WRITE setTurnsOnDoNotDisturb NOTIFY
                   turnsOnDoNotDisturbChanged)
    Q_PROPERTY(QList<tavlin::RunningApp> runningApps READ runningApps NOTIFY runningAppsChanged)

public:
    static constexpr int tickMs = 16; // 1/60 s, rounded down so holes never lag a frame
    static constexpr int crossfadeOrderOutMs = 200;

    // `services` must outlive the controller; its window list and running applications are
    // needed, the rest as for any overlay. So must `doNotDisturb`; without it, the option to
    // turn Do Not Disturb on does nothing.
    Spotlight(SettingsStore& settings, BackdropImages& images, WindowServices& services,
              DoNotDisturbSwitch* doNotDisturb = nullptr, QObject* parent = nullptr);
    ~Spotlight() override;

    bool isOn() const { return m_isOn; }
    void setOn(bool on);
    // Why spotlight mode cannot work in this session, in one line; empty when it can.
    QString unavailableReason() const;
    QSet<QString> pinnedApps() const { return m_pinnedApps; }
    void setPinnedApps(const QSet<QString>& apps);
    bool coversMenuBar() const { return m_coversMenuBar; }
    void setCoversMenuBar(bool covers);
    bool remindsAboutNotifications() const { return m_remindsAboutNotifications; }
    void setRemindsAboutNotifications(bool reminds);
    bool turnsOnDoNotDisturb() const { return m_turnsOnDoNotDisturb; }
    void setTurnsOnDoNotDisturb(bool turnsOn);
    // Why the session's notification service cannot be switched, in one line; empty when it can.
    QString doNotDisturbUnavailableReason() const;
    QList<RunningApp> runningApps() const { return m_runningApps; }

    bool isPinned(const RunningApp& app) const;
    void setPinned(const RunningApp& app, bool pinned);
    void refreshRunningApps();
    QSet<qint32> targetPids() const;
    std::optional<qint32> fallbackPid() const { return m_fallbackPid; }

    // The hot key's switch: no fades and no reminder.
    void toggleWithoutAnimation();
    // New overlays for the screens and backdrop as they are now; only while on.
    void rebuildWindows(bool animated);
    // One tick: the holes of every overlay from the window list as it is now.
    void updateHoles();

    QList<OverlayWindow*> windows() const;
    CutoutView* viewOf(OverlayWindow* window) const;
    FocusReminder& reminder() { return m_reminder; }

Q_SIGNALS:
    void isOnChanged();
    void pinnedAppsChanged();
    void coversMenuBarChanged();
    void remindsAboutNotificationsChanged();
    void turnsOnDoNotDisturbChanged();
    void runningAppsChanged();

private:
    void start();
    void stop();
    void scheduleTick();
    void savePinnedApps();
    OverlayLevel level() const;
    QScreen* screenOfActiveWindow() const;

    SettingsStore& m_settings;
    BackdropImages& m_images;
    WindowServices& m_services;
    const qint32 m_selfPid;

    bool m_isOn = false;
    QSet<QString> m_pinnedApps;
    bool m_coversMenuBar = false;
    bool m_remindsAboutNotifications = true;
    bool m_turnsOnDoNotDisturb = false;
    DoNotDisturbSwitch* m_doNotDisturb;
    QList<RunningApp> m_runningApps;
    QList<QPointer<OverlayWindow>> m_windows;
    QTimer m_timer;
    QElapsedTimer m_sinceTick;
    std::optional<qint32> m_fallbackPid;
    bool m_animates = true;
    FocusReminder m_reminder;
};

} // namespace tavlin
