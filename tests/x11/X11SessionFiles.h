#pragma once

#include <QRgb>
#include <QString>

namespace tavlin {

class SessionHome;

// The configuration the X11 session's programs read from its home: openbox, picom, pcmanfm.
namespace X11SessionFiles {

// The colour pcmanfm is told to paint the desktop with.
inline constexpr QRgb desktopColor = 0xff204060;

// Writes the files into the home's folder: openbox.xml and picom.conf at its top.
bool write(const SessionHome& home);

} // namespace X11SessionFiles

} // namespace tavlin
