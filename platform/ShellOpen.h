// Starting another program of the system without waiting for it.
//
// The job starts the download program at the end of every run and relies on
// nothing it does; the program must outlive the job and must not tie it up.
#pragma once

#include <string>
#include <string_view>

// Starts `file` with the blank-separated words of `parameters` as its
// arguments (runs of blanks separate like one; `file` itself is argument 0),
// the way the Windows shell's "open" does for a program: a name without a
// directory is looked for in the working directory first, then on the search
// path (PATH). The program runs detached; nothing waits for it and its
// outcome is not examined. On POSIX it gets its own session and standard
// streams on /dev/null, and leaves no zombie (the intermediate child is reaped
// here, the program itself is adopted by init); on Windows it is started as
// the shell's "open" with the show mode SW_HIDE starts it (a hidden console
// of its own), and out of the job object it may be in when that allows it
// (zelrun's, which ends with zelrun). Returns whether it could be started:
// false when no executable file of that name is found or it cannot be
// executed (callers of the system ignore the result).
bool Plat_ShellOpen(const char* file, const char* parameters);

// The native path by which Plat_ShellOpen would start `file` (system form):
// a name without a directory is looked for in the working directory, then on
// PATH; a name with one is taken as it stands. Empty when no executable file
// is found.
std::string Plat_FindProgram(std::string_view file);

// The first executable file `name` in the directories of PATH (an empty
// entry is the working directory), or empty.
std::string Plat_FindOnSearchPath(std::string_view name);
