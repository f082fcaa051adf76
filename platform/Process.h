// Starting another program of the system without waiting for it.
#pragma once

// Starts `file` with the blank-separated words of `parameters` as its
// arguments, the way the Windows shell's "open" does for a program: `file` is
// looked for in the working directory first, then on the search path. The
// program runs detached (its own session, standard streams on /dev/null, no
// zombie left behind); nothing waits for it and its outcome is not examined.
// Returns whether it could be started (callers of the system ignore it).
bool Plat_ShellOpen(const char* file, const char* parameters);
