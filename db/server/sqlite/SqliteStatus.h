// How SQLite's failures map to the status table of util/OraStatus.h.
#pragma once

#include <cstdint>

namespace zeldb {

// The status of a SQLite result code, its extended code and its message.
int32_t Sqlite_MapError(int resultCode, int extendedCode, const char* message);

}  // namespace zeldb
