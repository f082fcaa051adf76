// Status codes of the database operations.
//
// Every table operation and session operation returns the database status as
// a signed 32-bit integer: 0 when the statement was done, 1403 when a
// single-row read found no row, a fetch found no further row, or an update or
// delete matched no row; any other value (negative: an Oracle error number)
// is a failure. Callers distinguish only these three classes.
#pragma once

#include <cstdint>

constexpr int32_t kStatusOk = 0;
constexpr int32_t kStatusNoRow = 1403;

inline bool IsFailure(int32_t status) { return status != kStatusOk && status != kStatusNoRow; }
