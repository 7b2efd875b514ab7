#include "platform/wayland/kwin/KwinWindows.h"

#include "platform/wayland/kwin/KwinReport.h"
#include "platform/wayland/kwin/KwinScript.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QRandomGenerator>
#include <atomic>

namespace tavlin {

namespace {

const QString kwinService = QStringLiteral("org.kde.KWin");

QString newToken()
{
    QByteArray bytes(16, Qt::Uninitialized);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return QString::fromLatin1(bytes.toHex());
}

QString newPath()
{
    static std::atomic<int> made{0};
    return QStringLiteral("/io/github/tavlin/KWinWindows%1").arg(++made);
}

} // namespace

KwinWindows::KwinWindows(const QDBusConnection& bus)
    : m_bus(bus), m_path(newPath()), m_token(newToken())
{
}

std::shared_ptr<KwinWindows> KwinWindows::connectTo(const QDBusConnection& bus)
{
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(kwinService))
        return nullptr;
    std::shared_ptr<KwinWindows> windows(new KwinWindows(bus));
    if (!windows->start())
        return nullptr;
    return windows;
}

bool KwinWindows::start()
{
    m_kwin = m_bus.interface()->serviceOwner(kwinService);
    if (m_kwin.isEmpty() ||
        !m_bus.registerObject(m_path, this, QDBusConnection::ExportScriptableSlots))
        return false;
    QFile file(QStringLiteral(":/kwin/windows.js"));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // The values are a bus name, an object path and hex digits: nothing to quote.
    const QByteArray source = file.readAll()
                                  .replace("@SERVICE@", m_bus.baseService().toLatin1())
                                  .replace("@PATH@", m_path.toLatin1())
                                  .replace("@TOKEN@", m_token.toLatin1());
    QString error;
    const QString name =
        QStringLiteral("tavlin-windows-%1").arg(QCoreApplication::applicationPid());
    m_script = KwinScript::load(m_bus, source, name, &error);
    if (!m_script) {
        qWarning("tavlin: KWin did not run the window script: %s", qPrintable(error));
        return false;
    }
    m_watcher.setConnection(m_bus);
    m_watcher.addWatchedService(kwinService);
    m_watcher.setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
    connect(&m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] {
        m_script.reset();
        lose(tr("KWin has stopped telling Tavlin where windows are"));
    });
    return true;
}

KwinWindows::~KwinWindows()
{
    m_script.reset();
    m_bus.unregisterObject(m_path);
}

void KwinWindows::update(const QString& token, const QString& windows)
{
    if (!calledFromDBus() || message().service() != m_kwin || token != m_token) {
        if (calledFromDBus())
            sendErrorReply(QDBusError::AccessDenied, QStringLiteral("not our script"));
        return;
    }
    std::optional<QList<CompositorWindow>> reported = KwinReport::windows(windows.toUtf8());
    if (!reported)
        return;
    m_reported = std::move(*reported);
    refresh();
}

void KwinWindows::read()
{
    // The script has told everything there is already.
    readDone(m_reported);
}

} // namespace tavlin
