#pragma once

#include <QFont>
#include <QRectF>
#include <QWidget>

namespace tavlin {

// The reminder's content: a moon, and beside it a heading and a hint, one line each. It always
// takes its natural size, so neither line wraps or is cut. It paints no background.
class ReminderView : public QWidget
{
    Q_OBJECT
public:
    explicit ReminderView(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

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
