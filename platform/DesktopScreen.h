#pragma once

#include <QRect>
#include <QString>

class QScreen;

namespace tavlin {

// What a desktop-picture lookup needs to know of one screen, copied on the GUI thread so that
// the lookup can run on another (screens come and go under it there).
struct DesktopScreen
{
    QString name;         // the output's name
    int index = -1;       // in QGuiApplication::screens()
    int leftToRight = -1; // among the screens ordered by left edge, then top
    int count = 0;        // how many screens there are
    QRect nativeArea;     // in window-system pixels

    // Needs a QGuiApplication; the screen must be one of its screens.
    static DesktopScreen of(const QScreen& screen);
};

} // namespace tavlin
