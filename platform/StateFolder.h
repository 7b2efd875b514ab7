#pragma once

#include <QByteArray>
#include <memory>

namespace tavlin {

// A file being added to. What append() wrote survives the process being killed; what sync()
// confirmed survives a power loss too.
class AppendFile
{
public:
    virtual ~AppendFile() = default;
    virtual bool append(const QByteArray& data) = 0;
    virtual bool sync() = 0;
};

// Held until destroyed.
class HeldLock
{
public:
    virtual ~HeldLock() = default;
};

// The program's per-user folder for state that must outlive a crash (the tidy's move logs),
// and the locks that let one process at a time change it. Names are plain file names in that
// folder, which is made on the first write.
class StateFolder
{
public:
    enum class Read { Ok, Absent, Failed };

    virtual ~StateFolder() = default;

    virtual Read read(const QByteArray& name, QByteArray& data) const = 0;
    // A new, empty file under this name (an old one is replaced), its name already durable.
    virtual std::unique_ptr<AppendFile> create(const QByteArray& name) = 0;
    // Adds to an existing file; null when there is none or it cannot be written.
    virtual std::unique_ptr<AppendFile> openForAppend(const QByteArray& name) = 0;
    // Replaces the file with `data` in one step: a reader, or a crash, finds the old or the
    // new contents, whole.
    virtual bool replace(const QByteArray& name, const QByteArray& data) = 0;
    // Renames one file of the folder over another in one durable step.
    virtual bool rename(const QByteArray& from, const QByteArray& to) = 0;
    virtual bool remove(const QByteArray& name) = 0;
    // The lock of this name, across processes, waiting at most `waitMs` for another holder to
    // let go; null when it could not be had: `busy` then says whether another holder kept it
    // (rather than the folder being unusable).
    virtual std::unique_ptr<HeldLock> lock(const QByteArray& name, int waitMs, bool& busy) = 0;
    // The file's full path, for messages.
    virtual QByteArray pathOf(const QByteArray& name) const = 0;
};

} // namespace tavlin
