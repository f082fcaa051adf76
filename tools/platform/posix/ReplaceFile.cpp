#include "tools/platform/ReplaceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "tools/platform/ShownPath.h"
#include "tools/platform/posix/GrantedOwner.h"

namespace fs = std::filesystem;

namespace {

std::string Failure(const std::string& what, const std::string& path, int err) {
  return what + " " + Plat_ShownPath(path) + ": " + std::strerror(err);
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Follows `path` through symbolic links to the path of the file they lead
// to, which need not exist yet. Returns an empty text, else the failure.
std::string FollowLinks(const std::string& path, fs::path& target) {
  constexpr int kMaxLinks = 40;  // the system's own limit for a path
  target = path;
  for (int link = 0; link < kMaxLinks; ++link) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return {};
    std::error_code ec;
    const fs::path next = fs::read_symlink(target, ec);
    if (ec) return "cannot read the link " + Plat_ShownPath(target.string()) + ": " + ec.message();
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  return "too many symbolic links: " + Plat_ShownPath(path);
}

}  // namespace

std::string Plat_ReplaceFileAtomically(const std::string& path, std::string_view content, PlatNewFileAccess newAccess,
                                       const PlatGrant* grant) {
  // Through a symbolic link the file it leads to is replaced; the link stays.
  fs::path target;
  if (std::string failure = FollowLinks(path, target); !failure.empty()) return failure;
  // An existing file is shared with other programs of the system, which may
  // read it under other accounts: the new file takes its owner and mode.
  struct stat existing {};
  // Rights given by name replace those of the file.
  const bool exists = !grant && ::stat(target.c_str(), &existing) == 0;
  fs::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) return "cannot create directory " + Plat_ShownPath(dir.string()) + ": " + ec.message();

  std::string name = ".";
  name.append(target.filename().string()).append(".XXXXXX");
  std::string temp = (dir / name).string();
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return Failure("cannot create a file in", dir.string(), errno);

  // The password lies in this file: readable by its owner only while it is
  // written, and so for good when it is new.
  std::string failure;
  struct stat made {};
  if (::fchmod(fd, S_IRUSR | S_IWUSR) != 0) {
    failure = Failure("cannot set the mode of", temp, errno);
  } else if (!WriteAll(fd, content)) {
    failure = Failure("cannot write", temp, errno);
  } else if (::fsync(fd) != 0) {
    failure = Failure("cannot flush", temp, errno);
  } else if (exists && ::fstat(fd, &made) != 0) {
    failure = Failure("cannot read the owner of", temp, errno);
  } else if (exists && (made.st_uid != existing.st_uid || made.st_gid != existing.st_gid) &&
             ::fchown(fd, existing.st_uid, existing.st_gid) != 0) {
    // Replacing it would hand the file to whoever runs zelcfg.
    failure = Failure("cannot keep the owner of", target.string(), errno);
  } else if (exists && ::fchmod(fd, existing.st_mode & 07777) != 0) {
    failure = Failure("cannot keep the mode of", target.string(), errno);
  } else if (!exists && newAccess == PlatNewFileAccess::ReadableByAll &&
             ::fchmod(fd, S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH) != 0) {
    failure = Failure("cannot set the mode of", temp, errno);
  } else if (const int error = grant ? PlatPosix_GiveTo(fd, *grant) : 0; error != 0) {
    failure = Failure("cannot give " + grant->name + " access to", temp, error);
  }
  if (::close(fd) != 0 && failure.empty()) failure = Failure("cannot close", temp, errno);
  if (failure.empty() && ::rename(temp.c_str(), target.c_str()) != 0) {
    failure = Failure("cannot replace", target.string(), errno);
  }
  if (!failure.empty()) {
    ::unlink(temp.c_str());
    return failure;
  }

  // The rename itself is durable only once the directory is on disk.
  const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return {};
}
