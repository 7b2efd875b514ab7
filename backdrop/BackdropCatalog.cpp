#include "backdrop/BackdropCatalog.h"

namespace tavlin {

const std::array<BackdropPicture, 24>& backdropCatalog()
{
    static const std::array<BackdropPicture, 24> catalog{{
        {QStringLiteral("bg-country-road.jpeg"), QStringLiteral("Country Road")},
        {QStringLiteral("bg-blue-farmhouse.jpeg"), QStringLiteral("Blue Farmhouse")},
        {QStringLiteral("bg-coastal-bay.jpeg"), QStringLiteral("Coastal Bay")},
        {QStringLiteral("bg-paper-hills.jpeg"), QStringLiteral("Paper Hills")},
        {QStringLiteral("bg-lone-tree.jpeg"), QStringLiteral("Lone Tree")},
        {QStringLiteral("bg-tall-grass.jpeg"), QStringLiteral("Tall Grass")},
        {QStringLiteral("bg-rock-outcrop.jpeg"), QStringLiteral("Rock Outcrop")},
        {QStringLiteral("bg-seaside-barn.jpeg"), QStringLiteral("Seaside Barn")},
        {QStringLiteral("bg-snow-peak.jpeg"), QStringLiteral("Snow Peak")},
        {QStringLiteral("bg-watercolor-misty-mountains.webp"), QStringLiteral("Misty Mountains")},
        {QStringLiteral("bg-riso-sunset-dunes.webp"), QStringLiteral("Sunset Dunes")},
        {QStringLiteral("bg-gouache-pine-fog.webp"), QStringLiteral("Pine Fog")},
        {QStringLiteral("bg-pastel-lavender-field.webp"), QStringLiteral("Lavender Field")},
        {QStringLiteral("bg-oil-snowy-peaks.webp"), QStringLiteral("Snowy Peaks")},
        {QStringLiteral("bg-watercolor-lake-reflection.webp"), QStringLiteral("Lake Reflection")},
        {QStringLiteral("bg-oil-autumn-forest.webp"), QStringLiteral("Autumn Forest")},
        {QStringLiteral("bg-riso-canyon-layers.webp"), QStringLiteral("Canyon Layers")},
        {QStringLiteral("bg-riso-hills-sun.webp"), QStringLiteral("Hills at Sundown")},
        {QStringLiteral("bg-oil-mountain-lake-mist.webp"), QStringLiteral("Mountain Lake")},
        {QStringLiteral("bg-pastel-aurora-hills.webp"), QStringLiteral("Aurora Hills")},
        {QStringLiteral("bg-riso-northern-lights.webp"), QStringLiteral("Northern Lights")},
        {QStringLiteral("bg-riso-star-field.webp"), QStringLiteral("Star Field")},
        {QStringLiteral("bg-gouache-fjord.webp"), QStringLiteral("Fjord")},
        {QStringLiteral("bg-riso-palm-silhouette.webp"), QStringLiteral("Palm Silhouette")},
    }};
    return catalog;
}

} // namespace tavlin
