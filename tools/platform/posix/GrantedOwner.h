// The owner, group and mode a file gets for the account named with --grant
// (tools/platform/Grant.h).
#pragma once

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>

#include "tools/platform/Grant.h"

struct PlatPosix_GrantedOwner {
  uid_t uid;  // (uid_t)-1: unchanged
  gid_t gid;  // (gid_t)-1: unchanged
  mode_t mode;
};

// A group: the file's group, read (0640) or read and write (0660) for it.
// A user: the file's owner, 0600 (the group keeps nothing).
inline PlatPosix_GrantedOwner PlatPosix_OwnerFor(const PlatGrant& grant) {
  if (grant.isGroup) {
    const mode_t group = grant.rights == PlatGrantRights::Read ? S_IRGRP : S_IRGRP | S_IWGRP;
    return {static_cast<uid_t>(-1), static_cast<gid_t>(grant.id), static_cast<mode_t>(S_IRUSR | S_IWUSR | group)};
  }
  return {static_cast<uid_t>(grant.id), static_cast<gid_t>(-1), static_cast<mode_t>(S_IRUSR | S_IWUSR)};
}

// Gives the open file `fd` to the named account; 0, or the errno of the
// failed call.
inline int PlatPosix_GiveTo(int fd, const PlatGrant& grant) {
  const PlatPosix_GrantedOwner owner = PlatPosix_OwnerFor(grant);
  return ::fchown(fd, owner.uid, owner.gid) == 0 && ::fchmod(fd, owner.mode) == 0 ? 0 : errno;
}
