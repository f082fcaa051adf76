// Each system's side of the run lock (RunLock.h): opening the lock file,
// one try at its lock, and closing it. The waiting between tries is the same
// on every system and lives in RunLock.cpp.
#pragma once

#include <string_view>

enum class PlatRunLockTry {
  Taken,   // the lock is ours now
  Busy,    // another holder has it
  Failed,  // the system refused the try for another reason
};

// Opens (or makes) the lock file for the lock; -1 when it can be neither.
int Plat_RunLockFileOpen(std::string_view systemPath);

// Tries once, without waiting, to take the lock of the open lock file.
PlatRunLockTry Plat_RunLockFileTry(int handle);

// Closes the lock file without having taken its lock.
void Plat_RunLockFileClose(int handle);
