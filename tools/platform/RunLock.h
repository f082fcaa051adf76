// A lock that keeps two runs of one installation apart.
//
// zelrun holds it for the whole of a run: an advisory, whole-file lock on a
// lock file of its own (flock), which only other holders of the same lock
// respect. The lock belongs to the open file and goes with it: when the
// holder ends, however it ends, the system releases it. The file itself is
// left in place; it holds nothing.
#pragma once

#include <string_view>

enum class PlatRunLockResult {
  Held,        // the lock is ours
  Busy,        // another holder kept it through the whole wait
  CannotOpen,  // the lock file can neither be opened nor made
};

// Opens (or makes, mode 0644) the lock file `systemPath` and takes its lock,
// waiting at most `waitSeconds` for another holder to let go (0: give up at
// once). Held: `handle` holds the open, locked file until Plat_RunLockRelease.
// A file made by another account is opened for reading, which is all the lock
// needs, so runs of different accounts still keep each other out.
PlatRunLockResult Plat_RunLockAcquire(std::string_view systemPath, double waitSeconds, int& handle);

// Releases the lock and closes the handle.
void Plat_RunLockRelease(int handle);
