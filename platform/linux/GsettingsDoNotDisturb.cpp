#include "platform/linux/GsettingsDoNotDisturb.h"

#include <gio/gio.h>

namespace tavlin {

namespace {

constexpr char schemaId[] = "org.gnome.desktop.notifications";
constexpr char key[] = "show-banners";

// The installed schema with the key, or null; the caller unrefs it.
GSettingsSchema* lookUpSchema()
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        source ? g_settings_schema_source_lookup(source, schemaId, TRUE) : nullptr;
    if (schema && !g_settings_schema_has_key(schema, key)) {
        g_settings_schema_unref(schema);
        return nullptr;
    }
    return schema;
}

} // namespace

struct GsettingsDoNotDisturb::Settings
{
    explicit Settings(GSettingsSchema* schema)
        : object(g_settings_new_full(schema, nullptr, nullptr))
    {
    }
    ~Settings() { g_object_unref(object); }
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    GSettings* object;
};

GsettingsDoNotDisturb::GsettingsDoNotDisturb()
{
    if (GSettingsSchema* schema = lookUpSchema()) {
        m_settings = std::make_unique<Settings>(schema);
        g_settings_schema_unref(schema);
    }
}

GsettingsDoNotDisturb::~GsettingsDoNotDisturb() = default;

bool GsettingsDoNotDisturb::isOffered()
{
    GSettingsSchema* schema = lookUpSchema();
    if (schema)
        g_settings_schema_unref(schema);
    return schema != nullptr;
}

std::optional<DndState> GsettingsDoNotDisturb::read()
{
    if (!m_settings)
        return std::nullopt;
    // No value of the user's own: the default shows banners, and resetting gives that back.
    GVariant* value = g_settings_get_user_value(m_settings->object, key);
    if (!value)
        return DndState::Unset;
    const bool showsBanners =
        g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN) && g_variant_get_boolean(value);
    g_variant_unref(value);
    return showsBanners ? DndState::Off : DndState::On;
}

bool GsettingsDoNotDisturb::write(DndState state)
{
    // An administrator's lock: a reset would silently do nothing.
    if (!m_settings || !g_settings_is_writable(m_settings->object, key))
        return false;
    bool written = true;
    if (state == DndState::Unset)
        g_settings_reset(m_settings->object, key);
    else
        written = g_settings_set_boolean(m_settings->object, key, state != DndState::On);
    // Written through before this returns: the helper that gives back ends right after.
    g_settings_sync();
    return written;
}

} // namespace tavlin
