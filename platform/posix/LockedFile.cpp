#include "platform/LockedFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/FaultInjection.h"
#include "platform/Path.h"

namespace {
// How often the name may turn out to lead to another file than the one just
// locked before the attempt counts as a sharing conflict (and is waited out by
// the caller). Only a rotation racing with this open causes that.
constexpr int kRelinkAttempts = 8;

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }
}  // namespace

PlatFileResult Plat_LockedOpen(std::string_view systemPath, int& handle) {
  handle = -1;
  PlatFileResult injected;
  if (Plat_TakeFault(PlatFaultPoint::LockedOpen, injected)) return injected;

  const std::string path = Plat_NativePath(systemPath);
  for (int attempt = 0; attempt < kRelinkAttempts; ++attempt) {
    // O_APPEND: every write lands at the current end even if a writer that
    // ignores the lock appended meanwhile. O_SYNC: write-through.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_SYNC | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EINTR) continue;
      return Plat_FileResultOf(errno);
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      ::close(fd);
      if (error == EINTR) continue;
      return Plat_FileResultOf(error);
    }
    // Between open and lock another process may have rotated the log (renamed
    // it away, perhaps already created the new one). Writing into the handle
    // would then put the entry into the old generation; open the name again.
    struct stat held {}, named {};
    if (::fstat(fd, &held) != 0) {
      const int error = errno;
      ::close(fd);
      return Plat_FileResultOf(error);
    }
    if (::stat(path.c_str(), &named) == 0 && SameFile(held, named)) {
      handle = fd;
      return {};
    }
    ::close(fd);
  }
  return Plat_FileResultOf(EWOULDBLOCK);
}

PlatFileResult Plat_LockedAppend(int handle, const void* data, std::size_t length) {
  struct stat before {};
  if (::fstat(handle, &before) != 0) return Plat_FileResultOf(errno);

  const char* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < length) {
    const ssize_t n = ::write(handle, bytes + done, length - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : EIO;
      // We hold the lock, so nobody else appended since `before`.
      if (::ftruncate(handle, before.st_size) == 0) ::fdatasync(handle);
      return Plat_FileResultOf(error);
    }
    done += static_cast<std::size_t>(n);
  }
  return {};
}

PlatFileResult Plat_LockedReadTail(int handle, std::size_t maxBytes, std::string& tail, std::uint64_t& tailStart) {
  tail.clear();
  tailStart = 0;
  struct stat st {};
  if (::fstat(handle, &st) != 0) return Plat_FileResultOf(errno);
  const auto size = static_cast<std::uint64_t>(st.st_size);
  tailStart = size > maxBytes ? size - maxBytes : 0;
  tail.resize(static_cast<std::size_t>(size - tailStart));
  std::size_t done = 0;
  while (done < tail.size()) {
    const ssize_t n = ::pread(handle, tail.data() + done, tail.size() - done, static_cast<off_t>(tailStart + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : EIO;
      tail.clear();
      return Plat_FileResultOf(error);
    }
    done += static_cast<std::size_t>(n);
  }
  return {};
}

PlatFileResult Plat_LockedCutBack(int handle, std::uint64_t size) {
  if (::ftruncate(handle, static_cast<off_t>(size)) != 0) return Plat_FileResultOf(errno);
  if (::fdatasync(handle) != 0) return Plat_FileResultOf(errno);
  return {};
}

PlatFileResult Plat_LockedClose(int handle) {
  // close() releases the flock; a failure still leaves the handle closed.
  if (::close(handle) != 0 && errno != EINTR) return Plat_FileResultOf(errno);
  return {};
}
