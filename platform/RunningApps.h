#pragma once

#include "platform/RunningApp.h"

#include <QList>
#include <QObject>
#include <optional>

namespace tavlin {

// The applications the user has open, and which of them is in front.
class RunningApps : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // One entry per process, in the order the window manager first listed their windows.
    virtual QList<RunningApp> apps() const = 0;
    // The process of the window that has the focus; none when no window has it.
    virtual std::optional<qint32> frontmostPid() const = 0;

Q_SIGNALS:
    // An application started or quit, or one changed its identifier or name.
    void changed();
};

} // namespace tavlin
