#pragma once

#include <QColor>
#include <algorithm>
#include <cmath>

namespace tavlin::backdrops {

inline QColor hex(unsigned rgb, double alpha = 1.0)
{
    QColor c(static_cast<int>((rgb >> 16) & 0xff), static_cast<int>((rgb >> 8) & 0xff),
             static_cast<int>(rgb & 0xff));
    c.setAlphaF(static_cast<float>(alpha));
    return c;
}

inline double clamp01(double v)
{
    return std::clamp(v, 0.0, 1.0);
}

inline double smoothstep(double e0, double e1, double x)
{
    const double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0 - 2.0 * t);
}

inline QColor mix(const QColor& a, const QColor& b, double t)
{
    t = clamp01(t);
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t),
                            static_cast<float>(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

inline QColor withAlpha(QColor c, double alpha)
{
    c.setAlphaF(static_cast<float>(clamp01(alpha)));
    return c;
}

// Multiplies lightness: below 1 darkens, above 1 lightens towards white.
inline QColor shade(const QColor& c, double factor)
{
    if (factor <= 1.0)
        return mix(QColor(0, 0, 0, c.alpha()), c, factor);
    return mix(c, QColor(255, 255, 255, c.alpha()), factor - 1.0);
}

} // namespace tavlin::backdrops
