#pragma once

#include "platform/HotKeyGrabber.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QMap>
#include <QString>
#include <QStringList>

namespace tavlin {

// Global shortcuts bound by KDE's own shortcut service, which on Plasma Wayland runs inside
// KWin. The chords are registered under the component "Tavlin", so they show in System
// Settings' shortcut page, where the user may change them: a chord the user changed or
// removed stays as the user left it. While the program runs, the service reports every press.
class KGlobalAccelHotKeyGrabber : public HotKeyGrabber
{
    Q_OBJECT
public:
    explicit KGlobalAccelHotKeyGrabber(QDBusConnection bus, QObject* parent = nullptr);
    // Gives the chords back to other programs while this one is not running.
    ~KGlobalAccelHotKeyGrabber() override;

    // Whether the service is run by the compositor itself: only then does it see the keyboard
    // of a Wayland session.
    static bool servedByCompositor(const QDBusConnection& bus);

    Grant grab(quint32 id, const KeyChord& chord, const QString& description) override;

private Q_SLOTS:
    void shortcutPressed(const QString& component, const QString& shortcut, qlonglong timestamp);
    void shortcutReleased(const QString& component, const QString& shortcut, qlonglong timestamp);

private:
    struct Action
    {
        QString description;
        QElapsedTimer lastPress;
        bool released = true;
    };

    QStringList actionId(quint32 id) const;
    quint32 idOf(const QString& component, const QString& shortcut) const;

    QDBusConnection m_bus;
    QMap<quint32, Action> m_actions;
};

} // namespace tavlin
