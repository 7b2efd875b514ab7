#include "platform/linux/DbusFileManagerReveal.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QStringList>
#include <QUrl>

namespace tavlin {

namespace {

// Percent-encoding the raw bytes keeps names that are not UTF-8 intact.
QByteArray fileUri(const QByteArray& path)
{
    return QByteArrayLiteral("file://") + path.toPercentEncoding("/");
}

QByteArray parentFolder(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArrayLiteral("/") : path.left(slash);
}

void openParentFolder(const QByteArray& path)
{
    QDesktopServices::openUrl(QUrl::fromEncoded(fileUri(parentFolder(path))));
}

} // namespace

void DbusFileManagerReveal::reveal(const QByteArray& path)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openParentFolder(path);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QString::fromLatin1(fileUri(path))} << QString();
    // Asynchronous: a file manager that is slow to start must not freeze the tray.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [path](QDBusPendingCallWatcher* finished) {
                         if (finished->isError())
                             openParentFolder(path);
                         finished->deleteLater();
                     });
}

} // namespace tavlin
