#include "platform/AppendFile.h"

#include <fcntl.h>
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

bool Plat_AppendWrite(int handle, const void* data, std::size_t length) {
  const char* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  // A regular file takes the whole block in one write; the loop only matters
  // after a signal or on a full disk.
  while (done < length) {
    const ssize_t n = ::write(handle, bytes + done, length - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void Plat_AppendClose(int handle) { ::close(handle); }
