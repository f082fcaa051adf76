#include "platform/AppendFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/Path.h"

int Plat_AppendOpen(std::string_view systemPath) {
  const std::string path = Plat_NativePath(systemPath);
  int fd;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

namespace {

// A write that stopped part-way (a full disk, a file-size limit) leaves the
// start of a line, which the next line written would continue: a torn line.
// When the file still ends where this call's bytes end, they are cut off
// again; when another writer appended meanwhile, the tail is left alone.
void TakeBackPartialWrite(int handle, off_t start, std::size_t written) {
  struct stat st {};
  if (::fstat(handle, &st) != 0 || st.st_size != start + static_cast<off_t>(written)) return;
  if (::ftruncate(handle, start) == 0) ::fdatasync(handle);
}

}  // namespace

bool Plat_AppendWrite(int handle, const void* data, std::size_t length) {
  const char* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  off_t start = -1;  // where this call's bytes begin, once a write fell short
  // A regular file takes the whole block in one write; the loop only matters
  // after a signal or on a full disk.
  while (done < length) {
    const ssize_t n = ::write(handle, bytes + done, length - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (start >= 0) TakeBackPartialWrite(handle, start, done);
      return false;
    }
    // O_APPEND put the bytes at the end and moved the offset behind them.
    if (done == 0 && static_cast<std::size_t>(n) < length) start = ::lseek(handle, 0, SEEK_CUR) - n;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void Plat_AppendClose(int handle) { ::close(handle); }
