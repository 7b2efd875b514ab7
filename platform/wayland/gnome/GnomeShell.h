#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <functional>
#include <memory>

namespace tavlin {

// Tavlin's extension inside GNOME Shell, over the session bus: it shows the pictures Tavlin
// renders and reports the windows. Only the extension living in GNOME Shell's own connection is
// believed, and it obeys only the Tavlin that registered with it.
class GnomeShell : public QObject
{
    Q_OBJECT
public:
    enum class State {
        Ready,        // registered: overlays and window reports work
        NotInstalled, // GNOME Shell knows no such extension and none is installed
        NeedsLogin,   // installed after this login: GNOME Shell reads extensions at login only
        Disabled,     // known to GNOME Shell but switched off
        Failed,       // switched on but not answering (an error, or an unsupported version)
    };

    static const QString extensionUuid;

    // None when GNOME Shell is not on `bus`.
    static std::shared_ptr<GnomeShell> connectTo(const QDBusConnection& bus);

    State state() const { return m_state; }
    // Why the extension cannot be used now, in one line; empty when it can.
    QString unavailableReason() const;

    // Asks GNOME Shell to switch the extension on; it starts answering at once when GNOME Shell
    // read it at login. False when GNOME Shell refused.
    bool enableExtension();

    // A call to the extension whose answer (true: done) comes to `done`, if given.
    void call(const QString& method, const QVariantList& arguments,
              std::function<void(bool)> done = {});

Q_SIGNALS:
    // The extension's report of every window, as JSON.
    void windowsReported(const QByteArray& json);
    // A chord the extension bound for us was pressed.
    void keyPressed(quint32 id);
    void stateChanged();

private Q_SLOTS:
    void onWindowsChanged(const QString& windows);
    void onKeyPressed(uint id);

private:
    explicit GnomeShell(const QDBusConnection& bus);
    void refresh();
    State stateFromInfo();
    bool registerWithExtension();
    void listen(const QString& owner, bool on);

    QDBusConnection m_bus;
    QDBusServiceWatcher m_watcher;
    QString m_extension; // the extension's unique name while registered
    State m_state = State::NotInstalled;
    QString m_error;
};

} // namespace tavlin
