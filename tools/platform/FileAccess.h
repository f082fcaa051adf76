// What a file is and what this process may do with it, without opening it.
//
// The run wrapper checks an installation before a run: whether the files
// the job writes are there and writable by the account that runs it. The job
// itself cannot tell (its logs fail silently), and trying an open would make
// the files it creates itself, with this account as owner. These functions
// only look.
#pragma once

#include <cstdint>
#include <string_view>

struct PlatFileInfo {
  bool exists = false;
  bool isDirectory = false;
  std::uint64_t device = 0;  // with `inode`: the file's identity, kept across renames
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
};

// What the system path `systemPath` names (a symbolic link is followed).
PlatFileInfo Plat_FileInfo(std::string_view systemPath);

// Whether this process, with its effective user and groups, may write to
// (read) `systemPath`: the file's modes, a read-only file system and an
// immutable file all count; for a directory, writing means making files in
// it (the right to search it included). A missing file gives false.
bool Plat_WritableByMe(std::string_view systemPath);
bool Plat_ReadableByMe(std::string_view systemPath);

// Whether `systemPath` belongs to the account this process runs as (its
// effective user; on Windows the token's user, or the owner the token gives
// new files, such as Administrators for an elevated process). Files a run
// makes belong to its account, so a run as another account than the
// folder's owner leaves logs the owner's next run may not write. A missing
// file, or an owner that cannot be read, gives false.
bool Plat_OwnedByMe(std::string_view systemPath);
