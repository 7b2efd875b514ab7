#pragma once

#include "platform/WindowStacking.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class QScreen;

namespace tavlin {

// A borderless window exactly covering one screen at one of the overlay levels, on every
// virtual desktop, kept out of taskbars and window cycling. Its content fills it.
class OverlayWindow : public QWidget
{
    Q_OBJECT
public:
    OverlayWindow(QScreen* screen, OverlayLevel level, WindowStacking& stacking);

    OverlayLevel level() const { return m_level; }
    // Where it belongs from now on; the stacking puts it there when next asked.
    void setLevel(OverlayLevel level) { m_level = level; }
    QWidget* content() const { return m_content; }
    void setContent(QWidget* content);

    // A generation of overlays that is done: faded out (or hidden at once) and then deleted.
    // Windows already gone are skipped.
    static void retire(const QList<QPointer<OverlayWindow>>& windows, bool animated);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    OverlayLevel m_level;
    QWidget* m_content = nullptr;
};

} // namespace tavlin
