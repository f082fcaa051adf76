#include "platform/Path.h"

// The system's own names are Windows paths already; both separators work.
std::string Plat_NativePath(std::string_view systemPath) { return std::string(systemPath); }
