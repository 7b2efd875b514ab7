#include "tidy/ResultText.h"

namespace tavlin::ResultText {

namespace {

QString counted(qint64 count, const QString& noun)
{
    return QString::number(count) + QLatin1Char(' ') + noun +
           (count == 1 ? QString() : QStringLiteral("s"));
}

} // namespace

QString couldNotReadDesktop()
{
    return QStringLiteral("Couldn't read the Desktop");
}

QString filed(qint64 count)
{
    return QStringLiteral("Filed ") + counted(count, QStringLiteral("item"));
}

QString nothingOlderThan(qint64 days)
{
    return QStringLiteral("Nothing older than ") + counted(days, QStringLiteral("day"));
}

QString restored(qint64 restoredCount, qint64 missing, qint64 failed, qint64 refused)
{
    QString text = QStringLiteral("Restored ") + counted(restoredCount, QStringLiteral("item"));
    if (missing > 0)
        text += QStringLiteral(", ") + QString::number(missing) +
                QStringLiteral(" no longer in the archive");
    if (failed > 0)
        text += QStringLiteral(", ") + QString::number(failed) +
                QStringLiteral(" couldn't be moved back");
    if (refused > 0)
        text += QStringLiteral(", ") + QString::number(refused) +
                QStringLiteral(" refused (not from this Desktop)");
    return text;
}

QString noSuchFolder()
{
    return QStringLiteral("The Desktop folder is gone");
}

QString refusedFolder(const QString& reason)
{
    return QStringLiteral("Won't tidy ") + reason;
}

QString busy()
{
    return QStringLiteral("Another tidy is running");
}

QString busyDetail()
{
    return QStringLiteral("another tidy or undo is running; try again when it has finished");
}

QString logNotWritten()
{
    return QStringLiteral("Couldn't write the move log; nothing was moved");
}

QString logNotWrittenDetail(const QByteArray& path)
{
    return QStringLiteral("could not write the move log ") + QString::fromUtf8(path);
}

QString logNotRead()
{
    return QStringLiteral("Couldn't read the move log");
}

QString logNotReadDetail(const QByteArray& path)
{
    return QStringLiteral("could not read the move log ") + QString::fromUtf8(path);
}

} // namespace tavlin::ResultText
