#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

namespace tavlin::backdrops {

// A stencil-duplicator print: each ink has its own plate holding a density (white = full ink).
// Printing lays each plate down as a flat ink layer with a fine grain, offsets it a little as
// the drum would, and multiplies the inks onto the paper so overlaps make new colours. There is
// no dot screen: dots read as a pattern on a wallpaper and shimmer in screen recordings.
class RisoPrint
{
public:
    RisoPrint(QSize size, const QColor& paper, std::vector<QColor> inks, quint32 seed);
    ~RisoPrint();
    RisoPrint(const RisoPrint&) = delete;
    RisoPrint& operator=(const RisoPrint&) = delete;

    QSize size() const { return m_size; }
    double unit() const { return m_unit; }
    int inkCount() const { return static_cast<int>(m_inks.size()); }

    // Painter on one plate, for gradients and custom shapes; paint densities as grey levels.
    QPainter& plate(int ink);
    // Sets the density of every plate inside `path`; a negative density leaves a plate alone.
    void fill(const QPainterPath& path, std::initializer_list<double> densities);
    // A vertical density ramp on one plate, clipped to `area`.
    void ramp(int ink, const QPainterPath& area, double top, double bottom, double from, double to);
    // Rewrites densities pixel by pixel, all plates at once: for effects no brush can paint,
    // like aurora curtains. `d` holds one density per ink, 0..1.
    void adjust(const std::function<void(int x, int y, double* d)>& change);
    // Strength of the ink grain, 0 for perfectly even ink.
    void setGrain(double grain) { m_grain = grain; }
    // How far the later drums land off the first, in pixels at 1600 lines.
    void setMisregistration(double pixels) { m_misregistration = pixels; }

    QImage print();

private:
    QSize m_size;
    double m_unit;
    QColor m_paper;
    std::vector<QColor> m_inks;
    quint32 m_seed;
    double m_grain = 0.11;
    double m_misregistration = 3.0;
    double m_spread = 1.0;
    std::vector<QImage> m_plates;
    std::vector<std::unique_ptr<QPainter>> m_painters;
};

// Stock drum colours.
namespace ink {
inline QColor fluorescentPink()
{
    return {0xFF, 0x48, 0xB0};
}
inline QColor yellow()
{
    return {0xFF, 0xE8, 0x00};
}
inline QColor mediumBlue()
{
    return {0x00, 0x78, 0xBF};
}
inline QColor orange()
{
    return {0xFF, 0x6C, 0x2F};
}
inline QColor teal()
{
    return {0x00, 0x83, 0x8A};
}
inline QColor green()
{
    return {0x00, 0xA9, 0x5C};
}
inline QColor purple()
{
    return {0x76, 0x5B, 0xA7};
}
inline QColor paper()
{
    return {0xF6, 0xF1, 0xE6};
}
} // namespace ink

} // namespace tavlin::backdrops
