#pragma once

#include "backdrop/OverlayWindow.h"
#include "platform/OverlaySurfaces.h"
#include "platform/SettingsStore.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

class QScreen;

namespace tavlin {

// The hint to turn on Do Not Disturb when spotlight mode starts: a panel at the top centre of
// the main screen for a few seconds, at most three times (the store counts the showings).
class FocusReminder : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 maximumShowings = 3;
    static constexpr int visibleMs = 3500;

    // Where the number of showings is kept; removing it allows three more.
    static QString countKey() { return QStringLiteral("focusReminderShown"); }

    // `mainScreen` gives the screen holding the active window, or nullptr.
    FocusReminder(SettingsStore& settings, OverlaySurfaces& surfaces,
                  std::function<QScreen*()> mainScreen, QObject* parent = nullptr);
    ~FocusReminder() override;

    // Shows the reminder on the main screen (else the primary one) and counts the showing,
    // unless it has been shown often enough already or there is no screen at all.
    void showReminderIfNeeded();
    // Replaces any reminder on screen with a new one on `screen`, which goes by itself after
    // visibleMs. Does not count.
    void showReminder(QScreen* screen);
    // Fades the reminder out, if one is up, and cancels its timer.
    void dismissReminder();

    // The panel on screen, or nullptr.
    OverlayWindow* currentPanel() const;

private:
    QScreen* chooseScreen() const;

    SettingsStore& m_settings;
    OverlaySurfaces& m_surfaces;
    std::function<QScreen*()> m_mainScreen;
    QPointer<OverlayWindow> m_panel;
    QTimer m_dismissal;
};

} // namespace tavlin
