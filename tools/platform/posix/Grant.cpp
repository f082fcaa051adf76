#include "tools/platform/Grant.h"

#include <grp.h>
#include <pwd.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

bool StartsWith(const std::string& text, std::string_view prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

// The buffer size the system suggests for its look-ups, or a fair default.
std::size_t LookupBufferSize(int name) {
  const long size = ::sysconf(name);
  return size > 0 ? static_cast<std::size_t>(size) : 16384;
}

bool IsMemberOf(gid_t gid) {
  if (::getegid() == gid) return true;
  const int count = ::getgroups(0, nullptr);
  if (count <= 0) return false;
  std::vector<gid_t> groups(static_cast<std::size_t>(count));
  const int got = ::getgroups(count, groups.data());
  for (int i = 0; i < got; ++i) {
    if (groups[static_cast<std::size_t>(i)] == gid) return true;
  }
  return false;
}

std::string LookupFailure(const char* what, const std::string& name, int error) {
  // getpwnam_r and getgrnam_r report a missing name as 0 or as one of these.
  if (error == 0 || error == ENOENT || error == ESRCH || error == EBADF || error == EPERM) {
    return std::string("no ") + what + " named '" + name + "' on this machine";
  }
  return std::string("cannot look up the ") + what + " '" + name + "': " + std::strerror(error);
}

}  // namespace

std::string Plat_ResolveGrant(const std::string& account, PlatGrantRights rights, PlatGrant& grant) {
  grant = PlatGrant{};
  grant.name = account;
  grant.rights = rights;
  std::string name = account;
  if (StartsWith(account, "group:")) {
    grant.isGroup = true;
    name = account.substr(6);
  } else if (StartsWith(account, "user:")) {
    name = account.substr(5);
  }
  if (name.empty()) return "--grant needs an account name (NAME, user:NAME or group:NAME)";
  const bool root = ::geteuid() == 0;

  if (grant.isGroup) {
    std::vector<char> buffer(LookupBufferSize(_SC_GETGR_R_SIZE_MAX));
    struct group entry {};
    struct group* found = nullptr;
    const int error = ::getgrnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found);
    if (!found) return LookupFailure("group", name, error);
    grant.id = entry.gr_gid;
    // Only root, or a member of the group, may give a file to a group.
    if (!root && !IsMemberOf(entry.gr_gid)) {
      return "cannot give files to the group '" + name + "': this account is not a member of it";
    }
    return {};
  }

  std::vector<char> buffer(LookupBufferSize(_SC_GETPW_R_SIZE_MAX));
  struct passwd entry {};
  struct passwd* found = nullptr;
  const int error = ::getpwnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found);
  if (!found) return LookupFailure("user", name, error);
  grant.id = entry.pw_uid;
  // Only root may hand a file to another user.
  if (!root && entry.pw_uid != ::geteuid()) {
    return "cannot give files to the user '" + name + "': only root can; name a group of both (group:NAME)";
  }
  return {};
}
