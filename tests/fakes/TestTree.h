#pragma once

#include <QByteArrayList>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <map>
#include <optional>

// Building and inspecting real folder trees in tests, on raw byte names.
namespace tavlin::TestTree {

bool writeFile(const QByteArray& path, const QByteArray& content = {});
bool makeFolder(const QByteArray& path);
bool makeSymlink(const QByteArray& target, const QByteArray& path);
bool makeFifo(const QByteArray& path);
// Sets the modification (and access) time without following a link.
bool setModified(const QByteArray& path, double secondsSinceEpoch);
double changedTime(const QByteArray& path); // ctime, or NaN
bool exists(const QByteArray& path);        // lstat succeeds
QByteArray readFile(const QByteArray& path);
bool remove(const QByteArray& path); // with everything in it, never following a link

// Every item below `root`, by path relative to it, with what identifies it: "D" for a folder,
// "F:" + contents for a file, "L:" + target for a link, "O" for anything else.
using Snapshot = std::map<QByteArray, QByteArray>;
Snapshot snapshot(const QByteArray& root);

// The archive's month folder at the clock of TestDesktop.
inline const QByteArray thisMonth = "Tavlin Archive/2040-01/";

// Trees and lists written compactly in test rows. Entries are separated by "|", and "@/" stands
// for `thisMonth`. In a tree, "a/b=F:text" is a file, "a/b=L:target" a link, "a/b=O" a FIFO and
// "a/b" a folder; the folders above an entry are implied.
QByteArrayList entries(const QByteArray& text);
Snapshot tree(const QByteArray& text);
// Makes every entry of `tree` below `root`.
bool build(const QByteArray& root, const Snapshot& tree);

// Sets an environment variable, or unsets it for nullopt; returns what it was.
std::optional<QByteArray> setEnvironment(const char* name, const std::optional<QByteArray>& value);

// A temporary folder that goes with everything in it, whatever bytes the names hold.
class Scratch
{
public:
    // In `parent`, the system's temporary folder unless given.
    explicit Scratch(const QString& parent = {})
        : m_dir((parent.isEmpty() ? QDir::tempPath() : parent) + QStringLiteral("/tavlin-XXXXXX"))
    {
    }
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QByteArray at(const QByteArray& relative) const { return root + '/' + relative; }
    void keep(); // left behind for a look at what went wrong

private:
    QTemporaryDir m_dir;

public:
    const QByteArray root = QFile::encodeName(m_dir.path());
};

} // namespace tavlin::TestTree

// Lets QCOMPARE show both trees when they differ.
inline char* toString(const tavlin::TestTree::Snapshot& tree)
{
    QByteArray text = "{";
    for (const auto& [path, value] : tree)
        text += "\n  " + path.toPercentEncoding(" /.&-_") + " = " +
                value.left(40).toPercentEncoding(" :/.&-_");
    return qstrdup(text + "\n}");
}
