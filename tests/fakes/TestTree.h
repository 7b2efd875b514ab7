#pragma once

#include <QByteArray>
#include <map>

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

// Every item below `root`, by path relative to it, with what identifies it: "D" for a folder,
// "F:" + contents for a file, "L:" + target for a link, "O" for anything else.
using Snapshot = std::map<QByteArray, QByteArray>;
Snapshot snapshot(const QByteArray& root);

} // namespace tavlin::TestTree
