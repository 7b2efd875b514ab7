#pragma once

#include "tests/fakes/TestDesktop.h"

#include <sys/types.h>

// A tidy or an undo on a test's folders in a child process of its own, which may be killed
// with SIGKILL at any change it makes to the disk, slowed down to overlap another, or kept
// from writing past a file size, as on a full disk.
namespace tavlin::ChildRun {

enum class Job { Tidy, Undo };

struct Options
{
    int killAt = -1;          // killed just before this change (0: the first); -1: never
    int slowMicroseconds = 0; // added to every move
    long fileSizeLimit = -1;  // bytes; writes beyond it fail
    int startFd = -1;         // waits for a byte on this pipe before it starts
};

// Starts the child; -1 when it could not.
pid_t start(TestDesktop& world, Job job, const Options& options);

// Waits for the child to end, however it ends.
void wait(pid_t pid);

} // namespace tavlin::ChildRun
