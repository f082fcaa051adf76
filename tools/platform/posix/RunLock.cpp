#include "tools/platform/RunLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>

#include "platform/Path.h"
#include "platform/Sleep.h"

namespace {
// How often a waiting run looks again whether the holder has let go.
constexpr uint32_t kRetryMs = 100;
}  // namespace

PlatRunLockResult Plat_RunLockAcquire(std::string_view systemPath, double waitSeconds, int& handle) {
  handle = -1;
  const std::string path = Plat_NativePath(systemPath);
  // Read-only is enough for flock, and lets an account that may not write
  // another account's lock file still take part. O_CLOEXEC: the programs the
  // run starts (and the download program that those start, which may run on
  // for long) must not hold the lock.
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return PlatRunLockResult::CannotOpen;

  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration<double>(waitSeconds > 0 ? waitSeconds : 0);
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      handle = fd;
      return PlatRunLockResult::Held;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) {
      ::close(fd);
      return PlatRunLockResult::CannotOpen;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      ::close(fd);
      return PlatRunLockResult::Busy;
    }
    Plat_SleepMs(kRetryMs);
  }
}

void Plat_RunLockRelease(int handle) {
  if (handle < 0) return;
  ::flock(handle, LOCK_UN);
  ::close(handle);
}
