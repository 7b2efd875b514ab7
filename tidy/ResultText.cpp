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

QString restored(qint64 restoredCount, qint64 missing, qint64 failed)
{
    QString text = QStringLiteral("Restored ") + counted(restoredCount, QStringLiteral("item"));
    if (missing > 0)
        text += QStringLiteral(", ") + QString::number(missing) +
                QStringLiteral(" no longer in the archive");
    if (failed > 0)
        text += QStringLiteral(", ") + QString::number(failed) +
                QStringLiteral(" couldn't be moved back");
    return text;
}

} // namespace tavlin::ResultText
