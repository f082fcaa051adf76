#include "tools/platform/FileAccess.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/Path.h"

namespace {
// AT_EACCESS: judged with the effective ids, the ones an open would use
// (access() alone takes the real ids).
bool Allowed(std::string_view systemPath, int mode) {
  const std::string path = Plat_NativePath(systemPath);
  return ::faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0;
}
}  // namespace

PlatFileInfo Plat_FileInfo(std::string_view systemPath) {
  PlatFileInfo info;
  struct stat st {};
  if (::stat(Plat_NativePath(systemPath).c_str(), &st) != 0) return info;
  info.exists = true;
  info.isDirectory = S_ISDIR(st.st_mode);
  info.device = static_cast<std::uint64_t>(st.st_dev);
  info.inode = static_cast<std::uint64_t>(st.st_ino);
  info.size = static_cast<std::uint64_t>(st.st_size);
  return info;
}

bool Plat_WritableByMe(std::string_view systemPath) {
  // Making a file in a directory also needs the right to search it.
  return Allowed(systemPath, Plat_FileInfo(systemPath).isDirectory ? W_OK | X_OK : W_OK);
}

bool Plat_ReadableByMe(std::string_view systemPath) { return Allowed(systemPath, R_OK); }

bool Plat_OwnedByMe(std::string_view systemPath) {
  struct stat st {};
  return ::stat(Plat_NativePath(systemPath).c_str(), &st) == 0 && st.st_uid == ::geteuid();
}
