#include "Catalog.h"

#include "Scenes.h"

namespace tavlin::backdrops {

const std::array<Painter, 24>& painters()
{
    static const std::array<Painter, 24> table{
        paintCountryRoad,    paintBlueFarmhouse,  paintCoastalBay,     paintPaperHills,
        paintLoneTree,       paintTallGrass,      paintRockOutcrop,    paintSeasideBarn,
        paintSnowPeak,       paintMistyMountains, paintSunsetDunes,    paintPineFog,
        paintLavenderField,  paintSnowyPeaks,     paintLakeReflection, paintAutumnForest,
        paintCanyonLayers,   paintHillsSundown,   paintMountainLake,   paintAuroraHills,
        paintNorthernLights, paintStarField,      paintFjord,          paintPalmSilhouette,
    };
    return table;
}

} // namespace tavlin::backdrops
