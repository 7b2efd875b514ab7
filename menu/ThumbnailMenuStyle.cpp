#include "menu/ThumbnailMenuStyle.h"

#include <QApplication>
#include <QStyleFactory>

namespace tavlin {

ThumbnailMenuStyle::ThumbnailMenuStyle(int iconWidth)
    // A fresh instance of whatever style the application runs with; the proxy owns it.
    : QProxyStyle(QStyleFactory::create(QApplication::style()->name())), m_iconWidth(iconWidth)
{
}

int ThumbnailMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                                    const QWidget* widget) const
{
    if (metric == PM_SmallIconSize)
        return m_iconWidth;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

} // namespace tavlin
