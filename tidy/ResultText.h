#pragma once

#include <QString>

// The one-line results of a tidy or an undo, as the menu and the command line show them.
namespace tavlin::ResultText {

QString couldNotReadDesktop();
QString filed(qint64 count);
QString nothingOlderThan(qint64 days);
QString restored(qint64 restored, qint64 missing, qint64 failed);

} // namespace tavlin::ResultText
