#include "platform/AppendFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/Path.h"

namespace {
void (*gBeforeTakeBack)() = nullptr;
}  // namespace

int Plat_AppendOpen(std::string_view systemPath) {
  const std::string path = Plat_NativePath(systemPath);
  int fd;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

namespace {

// The writers of these files hold the file's lock for each write, and only
// for it, so that a take-back never meets bytes another writer appended
// between its check and its cut.
bool Lock(int handle) {
  for (;;) {
    if (::flock(handle, LOCK_EX) == 0) return true;
    if (errno != EINTR) return false;
  }
}

// A write that stopped part-way (a full disk, a file-size limit) leaves the
// start of a line, which the next line written would continue: a torn line.
// When the file still ends where this call's bytes end, they are cut off
// again; when it grew meanwhile (a writer that does not take the lock), the
// tail is left alone.
void TakeBackPartialWrite(int handle, off_t start, std::size_t written) {
  struct stat st {};
  if (::fstat(handle, &st) != 0 || st.st_size != start + static_cast<off_t>(written)) return;
  if (gBeforeTakeBack) gBeforeTakeBack();
  if (::ftruncate(handle, start) == 0) ::fdatasync(handle);
}

}  // namespace

bool Plat_AppendWrite(int handle, const void* data, std::size_t length) {
  // Without the lock (a file system that refuses it) the line is still
  // written, but a part cut off cannot be taken back safely and stays.
  const bool locked = Lock(handle);
  const char* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  off_t start = -1;  // where this call's bytes begin, once a write fell short
  // A regular file takes the whole block in one write; the loop only matters
  // after a signal or on a full disk.
  while (done < length) {
    const ssize_t n = ::write(handle, bytes + done, length - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (locked && start >= 0) TakeBackPartialWrite(handle, start, done);
      break;
    }
    // O_APPEND put the bytes at the end and moved the offset behind them.
    if (done == 0 && static_cast<std::size_t>(n) < length) start = ::lseek(handle, 0, SEEK_CUR) - n;
    done += static_cast<std::size_t>(n);
  }
  if (locked) ::flock(handle, LOCK_UN);
  return done == length;
}

void Plat_AppendClose(int handle) { ::close(handle); }

void Plat_SetBeforeTakeBackForTest(void (*hook)()) { gBeforeTakeBack = hook; }
