// Replacing a file that other programs read, so that none of them ever sees
// a part of it.
#pragma once

#include <string>
#include <string_view>

// Replaces the file at `path` (native form) by `content` so that a reader
// sees either the old file or the new one whole, never a part: the text is
// written to a new file in the same directory that only its owner may read,
// flushed to disk, given the access rights of the file it replaces (a new
// file keeps the owner-only rights), and renamed over it. Missing parent
// directories are created. Returns an empty text on success, else a short
// description of the failure naming the file by its absolute path (the old
// file is then left as it was).
//
// POSIX: the rights are owner, group and mode (0600 for a new file); a
// symbolic link is followed, the file it leads to is replaced and the link
// stays. Windows: the rights are the file's access control list (a new file:
// its owner alone); the rename is MoveFileExA with MOVEFILE_REPLACE_EXISTING
// and MOVEFILE_WRITE_THROUGH.
std::string Plat_ReplaceFileAtomically(const std::string& path, std::string_view content);
