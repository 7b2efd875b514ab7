#include "spotlight/ReminderView.h"

#include "spotlight/MoonSymbol.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace tavlin {

namespace {

constexpr double horizontalInset = 16;
constexpr double verticalInset = 10;
constexpr double iconSpacing = 10;
constexpr double lineSpacing = 2;
// A 16-pixel semibold symbol glyph is about as tall as it is wide.
constexpr double iconSide = 16;

// Colours for a dark panel.
constexpr QRgb moonColor = qRgb(94, 92, 230);
constexpr QRgb primaryTextColor = qRgba(255, 255, 255, 217);
constexpr QRgb secondaryTextColor = qRgba(235, 235, 245, 153);

QString titleText()
{
    return ReminderView::tr("Notifications can still pop up");
}

QString subtitleText()
{
    return ReminderView::tr("Turn on Do Not Disturb before you record.");
}

double lineWidth(const QFontMetricsF& metrics, const QString& text)
{
    // Some glyphs reach past their advance; the wider of the two keeps them whole.
    return std::max(metrics.horizontalAdvance(text), metrics.boundingRect(text).right());
}

} // namespace

QFont ReminderView::titleFont() const
{
    QFont title = QGuiApplication::font();
    title.setPixelSize(13);
    title.setWeight(QFont::DemiBold);
    return title;
}

QFont ReminderView::subtitleFont() const
{
    QFont subtitle = QGuiApplication::font();
    subtitle.setPixelSize(12);
    subtitle.setWeight(QFont::Normal);
    return subtitle;
}

ReminderView::Layout ReminderView::layout() const
{
    const QFontMetricsF title(titleFont());
    const QFontMetricsF subtitle(subtitleFont());
    const double columnWidth =
        std::max(lineWidth(title, titleText()), lineWidth(subtitle, subtitleText()));
    const double columnHeight = title.height() + lineSpacing + subtitle.height();
    const double rowHeight = std::max(iconSide, columnHeight);

    Layout result;
    result.icon =
        QRectF(horizontalInset, verticalInset + (rowHeight - iconSide) / 2.0, iconSide, iconSide);
    const double columnLeft = horizontalInset + iconSide + iconSpacing;
    const double columnTop = verticalInset + (rowHeight - columnHeight) / 2.0;
    result.titleBaseline = QPointF(columnLeft, columnTop + title.ascent());
    result.subtitleBaseline =
        QPointF(columnLeft, columnTop + title.height() + lineSpacing + subtitle.ascent());
    result.size = QSize(int(std::ceil(columnLeft + columnWidth + horizontalInset)),
                        int(std::ceil(rowHeight + 2 * verticalInset)));
    return result;
}

QSize ReminderView::sizeHint() const
{
    return layout().size;
}

void ReminderView::paint(QPainter& painter) const
{
    const Layout parts = layout();
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.fillPath(moonPath(parts.icon), QColor::fromRgba(moonColor));
    painter.setFont(titleFont());
    painter.setPen(QColor::fromRgba(primaryTextColor));
    painter.drawText(parts.titleBaseline, titleText());
    painter.setFont(subtitleFont());
    painter.setPen(QColor::fromRgba(secondaryTextColor));
    painter.drawText(parts.subtitleBaseline, subtitleText());
}

} // namespace tavlin
