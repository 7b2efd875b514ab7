#pragma once

#include "platform/HotKeyGrabber.h"

#include <memory>

namespace tavlin {

class GnomeShell;

// Chords bound inside GNOME Shell by Tavlin's extension, through the shell's own accelerator
// grabs: no dialog, and the same on every GNOME version the extension runs on. A chord another
// program or the shell itself holds is refused.
class GnomeHotKeyGrabber : public HotKeyGrabber
{
    Q_OBJECT
public:
    explicit GnomeHotKeyGrabber(std::shared_ptr<GnomeShell> shell, QObject* parent = nullptr);

    Grant grab(quint32 id, const KeyChord& chord, const QString& description) override;

    // The chord as GNOME Shell's accelerators are written: "<Control><Alt><Super>d".
    static QString accelerator(const KeyChord& chord);

private:
    std::shared_ptr<GnomeShell> m_shell;
};

} // namespace tavlin
