#pragma once

#include <QImage>
#include <QString>

namespace tavlin {

// Where the pictures for the GNOME Shell extension go: $XDG_RUNTIME_DIR/tavlin, a folder only
// this user can read, in memory, gone at logout.
class GnomePictureFolder
{
public:
    // `runtimeDir` is $XDG_RUNTIME_DIR; the folder is made when missing.
    explicit GnomePictureFolder(const QString& runtimeDir);

    // Empty when pictures can be written there; otherwise why not.
    QString error() const { return m_error; }

    // Writes `image` under a new name, whole or not at all, as the extension reads pictures:
    // width and height (32 bits, little-endian), then rows of premultiplied RGBA. The file's
    // path, or empty.
    QString write(const QImage& image);
    // Removes a file write() made.
    void remove(const QString& path);

private:
    QString m_path;
    QString m_error;
    int m_written = 0;
};

} // namespace tavlin
