#pragma once

#include <QByteArray>
#include <QString>

// The one-line results of a tidy or an undo, as the menu and the command line show them. The
// details go after "tavlin: " on the command line's standard error.
namespace tavlin::ResultText {

QString couldNotReadDesktop();
QString filed(qint64 count);
QString nothingOlderThan(qint64 days);
QString restored(qint64 restored, qint64 missing, qint64 failed, qint64 refused = 0);

QString noSuchFolder();
QString refusedFolder(const QString& reason);
QString busy();
QString busyDetail();
QString logNotWritten();
QString logNotWrittenDetail(const QByteArray& path);
QString logNotRead();
QString logNotReadDetail(const QByteArray& path);

} // namespace tavlin::ResultText
