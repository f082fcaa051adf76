#include "tools/platform/RunLock.h"

#include <chrono>
#include <cstdint>

#include "platform/Sleep.h"
#include "tools/platform/RunLockFile.h"

namespace {
// How often a waiting run looks again whether the holder has let go.
constexpr uint32_t kRetryMs = 100;
}  // namespace

PlatRunLockResult Plat_RunLockAcquire(std::string_view systemPath, double waitSeconds, int& handle) {
  handle = -1;
  const int file = Plat_RunLockFileOpen(systemPath);
  if (file < 0) return PlatRunLockResult::CannotOpen;

  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration<double>(waitSeconds > 0 ? waitSeconds : 0);
  for (;;) {
    switch (Plat_RunLockFileTry(file)) {
      case PlatRunLockTry::Taken:
        handle = file;
        return PlatRunLockResult::Held;
      case PlatRunLockTry::Failed:
        Plat_RunLockFileClose(file);
        return PlatRunLockResult::CannotOpen;
      case PlatRunLockTry::Busy:
        break;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      Plat_RunLockFileClose(file);
      return PlatRunLockResult::Busy;
    }
    Plat_SleepMs(kRetryMs);
  }
}
