#pragma once

#include <QByteArray>
#include <QObject>

namespace tavlin {

// Reports changes to the entries of one folder (items added, removed or renamed) on the
// event loop of the thread that created it.
class DirectoryWatcher : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts watching. False when the folder cannot be watched; calling again may succeed.
    virtual bool watch(const QByteArray& folder) = 0;

Q_SIGNALS:
    void changed();
};

} // namespace tavlin
