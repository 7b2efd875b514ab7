#pragma once

#include <QString>
#include <QStringList>

namespace tavlin {

// The script feh writes (~/.fehbg) to set the background again at login: which files it puts on
// the screens.
class FehBackgroundScript
{
public:
    // Reads the script at `path`; an absent or unreadable script names no file.
    explicit FehBackgroundScript(const QString& path);

    // The image files, in the order feh hands them to the screens; relative names are taken
    // from the script's folder.
    QStringList files() const { return m_files; }
    // True when one picture spans all screens instead of each screen getting its own.
    bool spansScreens() const { return m_spansScreens; }

private:
    void readCommand(const QStringList& words, const QString& folder);

    QStringList m_files;
    bool m_spansScreens = false;
};

} // namespace tavlin
