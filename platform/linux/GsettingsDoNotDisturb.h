#pragma once

#include "platform/DoNotDisturb.h"

#include <memory>

namespace tavlin {

// GNOME: the key show-banners of org.gnome.desktop.notifications (false is Do Not Disturb),
// through GIO's GSettings, which writes where the desktop reads: dconf in a GNOME session. A
// settings store: it outlives GNOME Shell.
class GsettingsDoNotDisturb final : public DoNotDisturb
{
public:
    static constexpr char serviceId[] = "gnome";

    GsettingsDoNotDisturb();
    ~GsettingsDoNotDisturb() override;

    // Whether the schema with the key is installed; without it GSettings would abort.
    static bool isOffered();

    QString id() const override { return QString::fromLatin1(serviceId); }
    std::optional<DndState> read() override;
    bool write(DndState state) override;
    QString keeper() const override { return {}; }
    bool endsWithConnection() const override { return false; }

private:
    struct Settings;
    std::unique_ptr<Settings> m_settings; // null without the schema
};

} // namespace tavlin
