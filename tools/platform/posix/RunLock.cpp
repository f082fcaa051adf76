#include "tools/platform/RunLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/Path.h"
#include "tools/platform/RunLockFile.h"

int Plat_RunLockFileOpen(std::string_view systemPath) {
  const std::string path = Plat_NativePath(systemPath);
  // Read-only is enough for flock, and lets an account that may not write
  // another account's lock file still take part. O_CLOEXEC: the programs the
  // run starts (and the download program that those start, which may run on
  // for long) must not hold the lock.
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

PlatRunLockTry Plat_RunLockFileTry(int handle) {
  if (::flock(handle, LOCK_EX | LOCK_NB) == 0) return PlatRunLockTry::Taken;
  return errno == EWOULDBLOCK || errno == EINTR ? PlatRunLockTry::Busy : PlatRunLockTry::Failed;
}

void Plat_RunLockFileClose(int handle) { ::close(handle); }

void Plat_RunLockRelease(int handle) {
  if (handle < 0) return;
  ::flock(handle, LOCK_UN);
  ::close(handle);
}
