// Where the system's own programs are: the tools start zelwrkjob and each
// other from the directory they stand in, by their file names.
#pragma once

#include <string>
#include <string_view>

// The directory of this process's own program file, or empty when the
// system does not tell.
std::string Plat_OwnDirectory();

// The file name of one of the system's own programs, by its name
// ("zelwrkjob"): as it stands on POSIX, with ".exe" on Windows.
std::string Plat_ProgramFileName(std::string_view name);
