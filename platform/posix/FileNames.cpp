#include "platform/FileNames.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/FaultInjection.h"
#include "platform/Path.h"

PlatFileResult Plat_DeleteFile(std::string_view systemPath) {
  PlatFileResult injected;
  if (Plat_TakeFault(PlatFaultPoint::DeleteFile, injected)) return injected;

  const std::string path = Plat_NativePath(systemPath);
  if (::unlink(path.c_str()) != 0) return Plat_FileResultOf(errno);
  return {};
}

PlatFileResult Plat_RenameNoReplace(std::string_view from, std::string_view to) {
  PlatFileResult injected;
  if (Plat_TakeFault(PlatFaultPoint::RenameNoReplace, injected)) return injected;

  const std::string source = Plat_NativePath(from);
  const std::string target = Plat_NativePath(to);
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return {};
  if (errno != EINVAL && errno != ENOSYS) return Plat_FileResultOf(errno);

  // The file system knows no RENAME_NOREPLACE. A hard link fails when the
  // target exists, so link + unlink keeps the guarantee; plain rename() would
  // silently destroy the older generation.
  if (::link(source.c_str(), target.c_str()) != 0) return Plat_FileResultOf(errno);
  if (::unlink(source.c_str()) != 0) {
    const int error = errno;
    ::unlink(target.c_str());
    return Plat_FileResultOf(error);
  }
  return {};
}
