#pragma once

#include "spotlight/RunningApp.h"

#include <QList>
#include <QObject>
#include <optional>

namespace tavlin {

// The applications that own ordinary windows, and which one is in front.
class RunningApps : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual QList<RunningApp> apps() const = 0;
    virtual std::optional<qint32> frontmostPid() const = 0;

Q_SIGNALS:
    void changed();
};

} // namespace tavlin
