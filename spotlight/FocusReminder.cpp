#include "spotlight/FocusReminder.h"

#include "spotlight/ReminderPanel.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace tavlin {

FocusReminder::FocusReminder(SettingsStore& settings, OverlaySurfaces& surfaces,
                             std::function<QScreen*()> mainScreen, QObject* parent)
    : QObject(parent), m_settings(settings), m_surfaces(surfaces),
      m_mainScreen(std::move(mainScreen))
{
    m_dismissal.setSingleShot(true);
    m_dismissal.setInterval(visibleMs);
    connect(&m_dismissal, &QTimer::timeout, this, &FocusReminder::dismissReminder);
}

FocusReminder::~FocusReminder()
{
    delete m_panel;
}

void FocusReminder::showReminderIfNeeded()
{
    // A hand-edited count that is no whole number, or is negative, counts as none.
    const qint64 shown = std::max<qint64>(m_settings.integer(countKey()).value_or(0), 0);
    if (shown >= maximumShowings)
        return;
    QScreen* screen = chooseScreen();
    if (!screen)
        return;
    m_settings.setInteger(countKey(), shown + 1);
    showReminder(screen);
}

QScreen* FocusReminder::chooseScreen() const
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    // Screens come and go: one that is gone by now is no choice.
    QScreen* main = m_mainScreen ? m_mainScreen() : nullptr;
    if (main && screens.contains(main))
        return main;
    if (QScreen* primary = QGuiApplication::primaryScreen())
        return primary;
    return screens.isEmpty() ? nullptr : screens.first();
}

void FocusReminder::showReminder(QScreen* screen)
{
    dismissReminder();
    if (!screen)
        return;
    auto panel = std::make_unique<ReminderPanel>();
    const OverlayPlacement placement =
        OverlayPlacement::topCentre(panel->size(), ReminderPanel::topMargin);
    m_panel = OverlayWindow::create(m_surfaces, screen, OverlayLevel::Reminder, std::move(panel),
                                    placement);
    if (!m_panel)
        return;
    m_panel->fadeIn(true);
    // Counted from the moment it shows, the fade-in included.
    m_dismissal.start();
}

void FocusReminder::dismissReminder()
{
    m_dismissal.stop();
    if (!m_panel)
        return;
    const QPointer<OverlayWindow> leaving = m_panel;
    m_panel.clear();
    OverlayWindow::retire({leaving}, true);
}

OverlayWindow* FocusReminder::currentPanel() const
{
    return m_panel.data();
}

} // namespace tavlin
