#include "tidy/FolderRules.h"

#include "tidy/FileName.h"
#include "tidy/TidyKeys.h"

#include <QByteArrayList>

namespace tavlin::FolderRules {

namespace {

bool isOrdinaryName(const QByteArray& name)
{
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/');
}

} // namespace

QString refusal(const QByteArray& folder, const QByteArray& home)
{
    if (folder == "/")
        return QStringLiteral("the file-system root");
    if (folder == home)
        return QStringLiteral("the home folder itself");
    if (folder.split('/').contains(QByteArray(TidyKeys::archiveFolderName)))
        return QStringLiteral("inside a \"Tavlin Archive\" folder");
    return {};
}

bool inScope(const QByteArray& desktop, const QByteArray& fromFolder, const QByteArray& fromName,
             const QByteArray& toFolder, const QByteArray& toName)
{
    if (fromFolder != desktop || !isOrdinaryName(fromName) || !isOrdinaryName(toName))
        return false;
    const QByteArray month = FileName::parent(toFolder);
    return FileName::parent(month) == FileName::join(desktop, TidyKeys::archiveFolderName) &&
           isOrdinaryName(FileName::lastComponent(toFolder)) &&
           isOrdinaryName(FileName::lastComponent(month));
}

} // namespace tavlin::FolderRules
