// Environment of the test process, Windows side (tests/posix/TestEnv.h is
// the POSIX twin).
#pragma once

#include <cstdlib>
#include <string>

namespace zeltest {

// The separator of the entries of PATH.
constexpr char kPathListSeparator = ';';

// A directory that does not exist, as an entry of PATH.
inline std::string MissingDirectory() { return "C:\\nonexistent"; }

// Sets (or replaces) a variable of this process's environment; the C
// runtime passes it on to SearchPathA and to the programs started.
inline void SetEnv(const std::string& name, const std::string& value) { ::_putenv_s(name.c_str(), value.c_str()); }

}  // namespace zeltest
