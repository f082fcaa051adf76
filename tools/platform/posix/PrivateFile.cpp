#include "tools/platform/PrivateFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

std::string Plat_CreatePrivateFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (fd < 0) return errno == EEXIST ? std::string() : std::strerror(errno);  // made meanwhile: an existing file
  int error = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0 ? 0 : errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0) return {};
  ::unlink(path.c_str());
  return std::strerror(error);
}
