#pragma once

#include "platform/wayland/CompositorWindows.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusServiceWatcher>
#include <memory>

namespace tavlin {

class KwinScript;

// Windows as KWin tells them: our script inside KWin reports them over D-Bus whenever they
// change, so there is nothing to ask and nothing to poll. Only KWin's own connection with the
// token given to the script loaded here is listened to.
class KwinWindows : public CompositorWindows, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.tavlin.KWinWindows1")
public:
    // None when KWin is not on the bus or refuses the script.
    static std::shared_ptr<KwinWindows> connectTo(const QDBusConnection& bus);
    ~KwinWindows() override;

public Q_SLOTS:
    // Called by the script with every window it knows, as JSON.
    Q_SCRIPTABLE void update(const QString& token, const QString& windows);

protected:
    void read() override;

private:
    explicit KwinWindows(const QDBusConnection& bus);
    bool start();

    QDBusConnection m_bus;
    QString m_path;
    QString m_kwin; // KWin's unique name on the bus
    QString m_token;
    QDBusServiceWatcher m_watcher;
    std::unique_ptr<KwinScript> m_script;
    QList<CompositorWindow> m_reported;
};

} // namespace tavlin
