#include "backdrop/OverlayFade.h"

#include <QPointer>
#include <QVariantAnimation>
#include <QWidget>

namespace tavlin::OverlayFade {

namespace {

const char animationName[] = "tavlin-fade";

void stopRunningFade(QWidget* window)
{
    // A new fade replaces one still running, so two never fight over the opacity.
    if (auto* running = window->findChild<QVariantAnimation*>(QLatin1String(animationName),
                                                              Qt::FindDirectChildrenOnly)) {
        running->stop();
        delete running;
    }
}

QVariantAnimation* startFade(QWidget* window, double to, int durationMs)
{
    stopRunningFade(window);
    auto* animation = new QVariantAnimation(window);
    animation->setObjectName(QLatin1String(animationName));
    animation->setStartValue(window->windowOpacity());
    animation->setEndValue(to);
    animation->setDuration(durationMs);
    animation->setEasingCurve(timingCurve());
    QObject::connect(
        animation, &QVariantAnimation::valueChanged, window,
        [window](const QVariant& value) { window->setWindowOpacity(value.toDouble()); });
    return animation;
}

} // namespace

QEasingCurve timingCurve()
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.23, 1.0), QPointF(0.32, 1.0), QPointF(1.0, 1.0));
    return curve;
}

void fadeIn(QWidget* window, bool animated)
{
    stopRunningFade(window);
    window->setWindowOpacity(animated ? 0.0 : 1.0);
    window->show();
    if (animated)
        startFade(window, 1.0, fadeInMs)->start(QAbstractAnimation::DeleteWhenStopped);
}

void fadeOut(QWidget* window, bool animated, std::function<void()> hidden)
{
    if (!animated) {
        stopRunningFade(window);
        window->hide();
        if (hidden)
            hidden();
        return;
    }
    QVariantAnimation* animation = startFade(window, 0.0, fadeOutMs);
    QPointer<QWidget> guard(window);
    QObject::connect(animation, &QVariantAnimation::finished, window, [guard, hidden] {
        if (guard)
            guard->hide();
        if (hidden)
            hidden();
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace tavlin::OverlayFade
