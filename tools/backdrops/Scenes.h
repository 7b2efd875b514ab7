#pragma once

#include <QImage>
#include <QSize>

namespace tavlin::backdrops {

// Flat illustrations.
QImage paintCountryRoad(QSize size);
QImage paintBlueFarmhouse(QSize size);
QImage paintCoastalBay(QSize size);
QImage paintPaperHills(QSize size);
QImage paintLoneTree(QSize size);
QImage paintTallGrass(QSize size);
QImage paintRockOutcrop(QSize size);
QImage paintSeasideBarn(QSize size);
QImage paintSnowPeak(QSize size);

// Watercolour.
QImage paintMistyMountains(QSize size);
QImage paintLakeReflection(QSize size);

// Stencil prints.
QImage paintSunsetDunes(QSize size);
QImage paintCanyonLayers(QSize size);
QImage paintHillsSundown(QSize size);
QImage paintNorthernLights(QSize size);
QImage paintStarField(QSize size);
QImage paintPalmSilhouette(QSize size);

// Gouache and pastel.
QImage paintPineFog(QSize size);
QImage paintFjord(QSize size);
QImage paintLavenderField(QSize size);
QImage paintAuroraHills(QSize size);

// Oil.
QImage paintSnowyPeaks(QSize size);
QImage paintAutumnForest(QSize size);
QImage paintMountainLake(QSize size);

} // namespace tavlin::backdrops
