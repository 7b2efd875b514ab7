#include "tidy/FileName.h"

namespace tavlin::FileName {

namespace {

qsizetype extensionDot(const QByteArray& name)
{
    const qsizetype dot = name.lastIndexOf('.');
    if (dot <= 0 || dot == name.size() - 1)
        return -1;
    return dot;
}

QByteArray withoutTrailingSlashes(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
}

} // namespace

QByteArray join(const QByteArray& folder, const QByteArray& name)
{
    if (folder.endsWith('/'))
        return folder + name;
    return folder + '/' + name;
}

QByteArray lastComponent(const QByteArray& path)
{
    const QByteArray trimmed = withoutTrailingSlashes(path);
    return trimmed.mid(trimmed.lastIndexOf('/') + 1);
}

QByteArray parent(const QByteArray& path)
{
    const QByteArray trimmed = withoutTrailingSlashes(path);
    const qsizetype slash = trimmed.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    if (slash == 0)
        return QByteArrayLiteral("/");
    return trimmed.left(slash);
}

QByteArray extension(const QByteArray& name)
{
    const qsizetype dot = extensionDot(name);
    return dot < 0 ? QByteArray() : name.mid(dot + 1);
}

QByteArray withoutExtension(const QByteArray& name)
{
    const qsizetype dot = extensionDot(name);
    return dot < 0 ? name : name.left(dot);
}

} // namespace tavlin::FileName
