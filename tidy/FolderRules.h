#pragma once

#include <QByteArray>
#include <QString>

// Which folders a tidy may work on, and which logged moves an undo of a folder may carry out.
// Every path here is absolute with its links resolved.
namespace tavlin::FolderRules {

// Why `folder` must never be tidied or undone (it would file a whole system or home, or the
// archive into itself), as words that follow "it is"; empty when it may be.
QString refusal(const QByteArray& folder, const QByteArray& home);

// True when a logged move belongs to `desktop`: the item was directly in it (`fromFolder` is
// the Desktop) and went into a category folder of its archive (`toFolder` is
// desktop/"Tavlin Archive"/month/category), under ordinary names.
bool inScope(const QByteArray& desktop, const QByteArray& fromFolder, const QByteArray& fromName,
             const QByteArray& toFolder, const QByteArray& toName);

} // namespace tavlin::FolderRules
