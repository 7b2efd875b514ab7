#pragma once

#include <QObject>
#include <memory>

namespace tavlin {

class GnomeShell;

// Asks once, when Tavlin's GNOME Shell extension is installed but switched off, whether to
// switch it on; the menu keeps saying why the cover and spotlight mode wait for it.
class GnomeExtensionOffer : public QObject
{
    Q_OBJECT
public:
    GnomeExtensionOffer(std::shared_ptr<GnomeShell> shell, QObject* parent = nullptr);

private:
    void ask();

    std::shared_ptr<GnomeShell> m_shell;
};

} // namespace tavlin
