#include "spotlight/ReminderPanel.h"

#include "spotlight/ReminderView.h"

#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QScreen>

namespace tavlin {

namespace {

constexpr int topMargin = 16;
constexpr QRgb translucentFill = qRgba(28, 28, 30, 219);
constexpr QRgb opaqueFill = qRgb(28, 28, 30);
// A faint light rim keeps the dark panel apart from dark windows beneath it.
constexpr QRgb rimColor = qRgba(255, 255, 255, 26);

} // namespace

QRect reminderGeometry(const QRect& available, const QSize& size)
{
    const int left = available.left() + (available.width() - size.width()) / 2;
    return QRect(QPoint(left, available.top() + topMargin), size);
}

ReminderPanel::ReminderPanel(QScreen* screen, WindowStacking& stacking, CompositorWatch& compositor)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                           Qt::WindowTransparentForInput)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Tavlin"));
    auto* view = new ReminderView(this);
    view->resize(view->sizeHint());
    setScreen(screen);
    const QRect place = reminderGeometry(screen->availableGeometry(), view->sizeHint());
    setGeometry(place);
    stacking.prepare(this, OverlayLevel::Reminder);
    setGeometry(place); // new window flags may have moved it

    // Kept as a flag rather than asking the watch: a fading panel may outlive its owner.
    setComposited(compositor.isActive());
    connect(&compositor, &CompositorWatch::activeChanged, this, &ReminderPanel::setComposited);
}

void ReminderPanel::setComposited(bool composited)
{
    m_composited = composited;
    applyShape();
    update();
}

void ReminderPanel::applyShape()
{
    // Without a compositor the transparent corners would show black: cut them off instead.
    if (m_composited)
        clearMask();
    else
        setMask(QRegion(outline().toFillPolygon().toPolygon()));
}

QPainterPath ReminderPanel::outline() const
{
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    return path;
}

void ReminderPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(outline(),
                     m_composited ? QColor::fromRgba(translucentFill) : QColor(opaqueFill));
    painter.setPen(QPen(QColor::fromRgba(rimColor), 1.0));
    painter.setBrush(Qt::NoBrush);
    const double inner = cornerRadius - 0.5;
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), inner, inner);
}

void ReminderPanel::resizeEvent(QResizeEvent* event)
{
    applyShape();
    QWidget::resizeEvent(event);
}

} // namespace tavlin
