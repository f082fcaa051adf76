// Running a program as a child process and measuring it: wall time, CPU time
// and peak resident memory, from the child's own resource usage (wait4), so
// that no outside timing tool is needed.
#pragma once

#include <string>
#include <vector>

#include "tools/platform/ChildProgram.h"

namespace zelbench {

// exitCode (-1 when the program did not exit normally), wallSeconds,
// cpuSeconds (user + system) and maxRssKiB (peak resident set of the child:
// its own, and of children it waited for).
using Measured = PlatExit;

// Runs argv[0] (a path) with `argv` in `cwd`, `input` on standard input,
// standard output and error into `outputFile` (or /dev/null when empty).
Measured RunMeasured(const std::vector<std::string>& argv, const std::string& cwd, const std::string& outputFile,
                     const std::string& input = "");

// The same, measured by a fresh `zelbench measure` process that starts the
// program as its own child. A child's peak memory counts what it held
// before it started its program, i.e. a copy of its parent: a runner that
// has compared tables of a million rows would lend the job its own size.
// Returns exit code -1 when the helper fails.
Measured RunMeasuredFresh(const std::vector<std::string>& argv, const std::string& cwd, const std::string& outputFile);

// The directory of the running program (where the project's programs lie).
std::string ProgramDirectory();

}  // namespace zelbench
