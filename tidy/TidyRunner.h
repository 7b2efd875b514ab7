#pragma once

#include "tidy/TidyCandidate.h"
#include "tidy/TidyServices.h"

#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace tavlin {

// Why a run did not do all of its work.
enum class RunProblem {
    None,
    NoSuchFolder,  // the folder does not exist (or is no folder)
    RefusedFolder, // the root, the home folder itself, or inside an archive: never worked on
    Unreadable,    // the folder could not be listed
    Busy,          // another tidy or undo held the lock for too long
    LogNotWritten, // the move log could not be written, read or updated
};

struct FolderCheck
{
    RunProblem problem = RunProblem::None;
    QByteArray folder; // absolute, links resolved
    QString status;    // the menu's line when there is a problem
    QString detail;    // the command line's, without the program's name
};

struct TidyResult
{
    bool listed = false; // false: nothing was done, and nothing written
    int moved = 0;
    int notFiled = 0; // old items that stayed on the Desktop
    RunProblem problem = RunProblem::None;
    bool settingsSaved = true; // the run's time was stored (or did not need to be)
    QString status;
    QString detail;
};

struct UndoResult
{
    int restored = 0;
    int missing = 0;
    int failed = 0;
    int refused = 0;
    RunProblem problem = RunProblem::None;
    bool settingsSaved = true;
    QString status;
    QString detail;
};

// The tidy operations on one Desktop folder, without any timer, watcher or window: what the
// tray program and the command line share. Tidy and undo take a per-user lock, so runs of
// several processes never interleave, and keep one move log per folder in the state folder.
// Safe to run on another thread than the caller of the other services' users.
class TidyRunner
{
public:
    // How long a tidy or undo waits for another one to finish.
    static constexpr int lockWaitMs = 5000;

    explicit TidyRunner(const TidyServices& services);

    // The stored threshold, or the default when none (or no whole number) is stored.
    qint64 olderThanDays() const;

    // The folder, resolved, if tidy, undo and pending may work on it.
    FolderCheck checkFolder(const QByteArray& desktop) const;

    std::optional<std::vector<TidyCandidate>> scan(const QByteArray& desktop) const;
    QString categoryOf(const TidyCandidate& candidate) const;

    // Files every old item, each move logged before it happens. Stamps the run's time when
    // the folder is the Desktop chosen in the tray menu; when something moved, the folder's
    // log is replaced.
    TidyResult tidy(const QByteArray& desktop);

    // Moves the logged items back, keeps only the refused ones in the log, sweeps emptied
    // archive folders and returns the result line.
    UndoResult undo(const QByteArray& desktop);

    // How many logged moves an undo of the folder would take back.
    int undoCount(const QByteArray& desktop) const;

private:
    // A run's start: the folder checked, the lock taken and a killed tidy's log recovered; no
    // lock when the run may not go on, and the check says why.
    struct Start
    {
        std::unique_ptr<HeldLock> lock;
        FolderCheck check;
    };
    Start start(const QByteArray& desktop);
    void recover(const QByteArray& desktop);
    bool isChosenDesktop(const QByteArray& desktop) const;
    struct Legacy;
    Legacy legacyRecords(const QByteArray& desktop) const;

    TidyServices m_services;
};

} // namespace tavlin
