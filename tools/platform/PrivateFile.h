// Creating a file that holds personal data.
#pragma once

#include <string>

// Creates the empty file `path` (native form) readable and writable by its
// owner only, whatever the defaults for new files (umask, inherited access
// rules) say. A file that exists already, or that another process makes
// meanwhile, is left as it is and counts as done. Returns an empty text, or
// the system's description of the failure.
std::string Plat_CreatePrivateFile(const std::string& path);
