#pragma once

#include <QDBusConnection>
#include <QString>
#include <QTemporaryFile>
#include <memory>

namespace tavlin {

// A script running inside KWin for as long as this object lives: loaded over D-Bus through
// KWin's scripting interface, unloaded again when it goes.
class KwinScript
{
public:
    // Writes `source` where KWin can read it, loads it under `name` and starts it; none, with
    // the reason in `error`, when KWin does not answer or refuses it.
    static std::unique_ptr<KwinScript> load(const QDBusConnection& bus, const QByteArray& source,
                                            const QString& name, QString* error);
    ~KwinScript();
    KwinScript(const KwinScript&) = delete;
    KwinScript& operator=(const KwinScript&) = delete;

private:
    KwinScript(const QDBusConnection& bus, QString name);
    bool start(const QByteArray& source, QString* error);

    QDBusConnection m_bus;
    QString m_name;
    QTemporaryFile m_file; // KWin reads it when the script starts
    bool m_loaded = false;
};

} // namespace tavlin
