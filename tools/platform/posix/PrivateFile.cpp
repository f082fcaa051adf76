#include "tools/platform/PrivateFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tools/platform/posix/GrantedOwner.h"

std::string Plat_CreatePrivateFile(const std::string& path, const PlatGrant* grant) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (fd < 0 && errno != EEXIST) return std::strerror(errno);
  if (fd < 0) {
    // Made meanwhile, or there before: an existing file, which gets the
    // named account's rights when there is one.
    if (!grant) return {};
    const PlatPosix_GrantedOwner owner = PlatPosix_OwnerFor(*grant);
    if (::chown(path.c_str(), owner.uid, owner.gid) != 0 || ::chmod(path.c_str(), owner.mode) != 0) {
      return std::strerror(errno);
    }
    return {};
  }
  int error = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0 ? 0 : errno;
  if (error == 0 && grant) error = PlatPosix_GiveTo(fd, *grant);
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0) return {};
  ::unlink(path.c_str());
  return std::strerror(error);
}
