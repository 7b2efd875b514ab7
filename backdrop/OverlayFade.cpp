#include "backdrop/OverlayFade.h"

#include "platform/OverlaySurface.h"

#include <QPointer>
#include <QTimer>
#include <QVariantAnimation>

namespace tavlin::OverlayFade {

namespace {

const char animationName[] = "tavlin-fade";

void stopRunningFade(QObject* owner)
{
    // A new fade replaces one still running, so two never fight over the opacity.
    if (auto* running = owner->findChild<QVariantAnimation*>(QLatin1String(animationName),
                                                             Qt::FindDirectChildrenOnly)) {
        running->stop();
        delete running;
    }
}

QVariantAnimation* startFade(OverlaySurface& surface, QObject* owner, double to, int durationMs)
{
    stopRunningFade(owner);
    auto* animation = new QVariantAnimation(owner);
    animation->setObjectName(QLatin1String(animationName));
    animation->setStartValue(surface.opacity());
    animation->setEndValue(to);
    animation->setDuration(durationMs);
    animation->setEasingCurve(timingCurve());
    QPointer<OverlaySurface> guard(&surface);
    QObject::connect(animation, &QVariantAnimation::valueChanged, owner,
                     [guard](const QVariant& value) {
                         if (guard)
                             guard->setOpacity(value.toDouble());
                     });
    return animation;
}

} // namespace

QEasingCurve timingCurve()
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.23, 1.0), QPointF(0.32, 1.0), QPointF(1.0, 1.0));
    return curve;
}

void fadeIn(OverlaySurface& surface, QObject* owner, bool animated)
{
    stopRunningFade(owner);
    const bool wasShown = surface.isShown();
    surface.setOpacity(animated ? 0.0 : 1.0);
    surface.show();
    if (!animated)
        return;
    QPointer<QVariantAnimation> animation = startFade(surface, owner, 1.0, fadeInMs);
    const auto begin = [animation] {
        if (animation && animation->state() == QAbstractAnimation::Stopped)
            animation->start(QAbstractAnimation::DeleteWhenStopped);
    };
    if (wasShown) {
        begin();
        return;
    }
    // From the first frame on screen: timed from the request, a surface slow to come up would
    // arrive already opaque, a cut instead of a fade.
    QObject::connect(&surface, &OverlaySurface::presented, animation, begin);
    QTimer::singleShot(presentWaitMs, animation, begin);
}

void completeFadeIn(OverlaySurface& surface, QObject* owner)
{
    auto* running = owner->findChild<QVariantAnimation*>(QLatin1String(animationName),
                                                         Qt::FindDirectChildrenOnly);
    if (!running || running->endValue().toDouble() < 1.0)
        return;
    stopRunningFade(owner);
    surface.setOpacity(1.0);
}

void fadeOut(OverlaySurface& surface, QObject* owner, bool animated, std::function<void()> hidden)
{
    if (!animated) {
        stopRunningFade(owner);
        surface.hide();
        if (hidden)
            hidden();
        return;
    }
    QVariantAnimation* animation = startFade(surface, owner, 0.0, fadeOutMs);
    QPointer<OverlaySurface> guard(&surface);
    QObject::connect(animation, &QVariantAnimation::finished, owner, [guard, hidden] {
        if (guard)
            guard->hide();
        if (hidden)
            hidden();
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace tavlin::OverlayFade
