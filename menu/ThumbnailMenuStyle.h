#pragma once

#include <QProxyStyle>

namespace tavlin {

// The application's style with room for wider icons, so that a menu of pictures shows its
// thumbnails at their own size instead of squeezing them into the usual 16 pixels.
class ThumbnailMenuStyle : public QProxyStyle
{
    Q_OBJECT

public:
    explicit ThumbnailMenuStyle(int iconWidth);

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;

private:
    int m_iconWidth;
};

} // namespace tavlin
