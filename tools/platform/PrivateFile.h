// Creating a file that holds personal data.
#pragma once

#include <string>

#include "tools/platform/Grant.h"

// Creates the empty file `path` (native form) readable and writable by its
// owner only, whatever the defaults for new files (umask, inherited access
// rules) say; with `grant`, also by the account it names (Grant.h: on
// Windows an access list of the two, on POSIX the group or owner and mode).
// A file that exists already, or that another process makes meanwhile, is
// left as it is and counts as done; with `grant` it is given those rights
// (they replace its own). Returns an empty text, or the system's
// description of the failure.
std::string Plat_CreatePrivateFile(const std::string& path, const PlatGrant* grant = nullptr);
