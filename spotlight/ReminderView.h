#pragma once

#include <QCoreApplication>
#include <QFont>
#include <QRectF>
#include <QSize>

class QPainter;

namespace tavlin {

// The reminder's content: a moon, and beside it a heading and a hint, one line each, in the
// application's font. It always takes its natural size, so neither line wraps or is cut. It
// paints no background.
class ReminderView
{
    Q_DECLARE_TR_FUNCTIONS(ReminderView)
public:
    QSize sizeHint() const;
    // With its top-left corner at the painter's origin.
    void paint(QPainter& painter) const;

private:
    struct Layout
    {
        QRectF icon;
        QPointF titleBaseline;
        QPointF subtitleBaseline;
        QSize size;
    };

    Layout layout() const;
    QFont titleFont() const;
    QFont subtitleFont() const;
};

} // namespace tavlin
