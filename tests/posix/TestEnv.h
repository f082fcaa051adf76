// Environment of the test process, POSIX side (tests/windows/TestEnv.h is
// the Windows twin; CMake puts the folder of the system built for on the
// include path).
#pragma once

#include <cstdlib>
#include <string>

namespace zeltest {

// The separator of the entries of PATH.
constexpr char kPathListSeparator = ':';

// A directory that does not exist, as an entry of PATH.
inline std::string MissingDirectory() { return "/nonexistent"; }

// Sets (or replaces) a variable of this process's environment.
inline void SetEnv(const std::string& name, const std::string& value) { ::setenv(name.c_str(), value.c_str(), 1); }

}  // namespace zeltest
