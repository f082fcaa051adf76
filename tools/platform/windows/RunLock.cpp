#include "tools/platform/RunLock.h"

#include <windows.h>

#include <chrono>
#include <string>

#include "platform/Sleep.h"
#include "platform/windows/Handle.h"

namespace {
// How often a waiting run looks again whether the holder has let go.
constexpr uint32_t kRetryMs = 100;

// The lock is on the first byte of the (empty) file; the system releases it
// when its holder's handle closes, also when the process ends some other way.
OVERLAPPED FirstByte() { return OVERLAPPED{}; }
}  // namespace

PlatRunLockResult Plat_RunLockAcquire(std::string_view systemPath, double waitSeconds, int& handle) {
  handle = -1;
  const std::string path(systemPath);
  // Read access is enough for LockFileEx, and lets an account that may not
  // write another account's lock file still take part. Not inheritable: the
  // programs the run starts must not hold the lock.
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return PlatRunLockResult::CannotOpen;

  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration<double>(waitSeconds > 0 ? waitSeconds : 0);
  for (;;) {
    OVERLAPPED at = FirstByte();
    if (::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
      handle = PlatWin_Adopt(file);
      return handle >= 0 ? PlatRunLockResult::Held : PlatRunLockResult::CannotOpen;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) {
      ::CloseHandle(file);
      return PlatRunLockResult::CannotOpen;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      ::CloseHandle(file);
      return PlatRunLockResult::Busy;
    }
    Plat_SleepMs(kRetryMs);
  }
}

void Plat_RunLockRelease(int handle) {
  if (handle < 0) return;
  OVERLAPPED at = FirstByte();
  ::UnlockFileEx(PlatWin_FileOf(handle), 0, 1, 0, &at);
  PlatWin_Close(handle);
}
