#include "tools/platform/RunLock.h"

#include <windows.h>

#include <string>

#include "platform/windows/Handle.h"
#include "tools/platform/RunLockFile.h"

namespace {
// The lock is on the first byte of the (empty) file; the system releases it
// when its holder's handle closes, also when the process ends some other way.
OVERLAPPED FirstByte() { return OVERLAPPED{}; }
}  // namespace

int Plat_RunLockFileOpen(std::string_view systemPath) {
  const std::string path(systemPath);
  // Read access is enough for LockFileEx, and lets an account that may not
  // write another account's lock file still take part. Not inheritable: the
  // programs the run starts must not hold the lock.
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  return PlatWin_Adopt(file);
}

PlatRunLockTry Plat_RunLockFileTry(int handle) {
  OVERLAPPED at = FirstByte();
  if (::LockFileEx(PlatWin_FileOf(handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
    return PlatRunLockTry::Taken;
  }
  const DWORD error = ::GetLastError();
  return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? PlatRunLockTry::Busy : PlatRunLockTry::Failed;
}

void Plat_RunLockFileClose(int handle) { PlatWin_Close(handle); }

void Plat_RunLockRelease(int handle) {
  if (handle < 0) return;
  OVERLAPPED at = FirstByte();
  ::UnlockFileEx(PlatWin_FileOf(handle), 0, 1, 0, &at);
  PlatWin_Close(handle);
}
