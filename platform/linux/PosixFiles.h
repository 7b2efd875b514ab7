#pragma once

#include <QByteArray>
#include <sys/types.h>

// The few careful file operations that durable state needs, on raw byte paths.
namespace tavlin::PosixFiles {

// Makes the folder and any missing parents (new ones private to the user). 0 or an errno.
int makeFolders(const QByteArray& path);

// Writes `data` to a new file beside `path`, checks every write, syncs it and renames it over
// `path`, then syncs the folder: a reader, or a crash at any moment, finds the old file or the
// new one, whole. A new file gets `mode` (less the umask), an existing one keeps its own.
// 0 or the errno of the step that failed; on failure `path` is untouched.
int writeAtomically(const QByteArray& path, const QByteArray& data, mode_t mode = 0666);

// Makes a rename or a new name in the folder durable.
bool syncFolder(const QByteArray& folder);

// flock(LOCK_EX) on `fd`, trying for at most `waitMs`.
bool lockWithin(int fd, int waitMs);

} // namespace tavlin::PosixFiles
