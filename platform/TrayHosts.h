#pragma once

#include <QObject>

namespace tavlin {

// Whether a panel shows tray icons over D-Bus here (a StatusNotifierItem host), and when one
// starts.
class TrayHosts : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual bool hasStatusNotifierHost() const = 0;

Q_SIGNALS:
    void statusNotifierHostStarted();
};

} // namespace tavlin
