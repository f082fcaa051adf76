// Replacing a file that other programs read, so that none of them ever sees
// a part of it.
#pragma once

#include <string>
#include <string_view>

#include "tools/platform/Grant.h"

// Who may read a file that the replace makes new: its owner alone (a file
// with a password or personal data), or every account (a file that a
// monitoring service, running under its own account, reads).
enum class PlatNewFileAccess { OwnerOnly, ReadableByAll };

// Replaces the file at `path` (native form) by `content` so that a reader
// sees either the old file or the new one whole, never a part: the text is
// written to a new file in the same directory that only its owner may read,
// flushed to disk, given the access rights of the file it replaces (a new
// file: `newAccess`), and renamed over it. With `grant` the file, new or
// not, gets instead the rights of its creator and the account it names
// (Grant.h). Missing parent
// directories are created. Returns an empty text on success, else a short
// description of the failure naming the file by its absolute path (the old
// file is then left as it was).
//
// POSIX: the rights are owner, group and mode (a new file: 0600, or 0644
// when readable by all); a symbolic link is followed, the file it leads to is
// replaced and the link stays. Windows: the rights are the file's access
// control list (a new file: its owner alone, or when readable by all what
// the directory passes on to its files); the rename is MoveFileExA with MOVEFILE_REPLACE_EXISTING
// and MOVEFILE_WRITE_THROUGH.
std::string Plat_ReplaceFileAtomically(const std::string& path, std::string_view content,
                                       PlatNewFileAccess newAccess = PlatNewFileAccess::OwnerOnly,
                                       const PlatGrant* grant = nullptr);
