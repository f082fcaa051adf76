// How an Oracle server's failures map to the status table of
// util/OraStatus.h: the status is the server's own number.
#pragma once

#include <cstdint>

namespace zeldb {

// -n for the server's error n (ORA-n), 0 when the failure carries no
// number of the server's (n <= 0).
int32_t Oracle_MapNativeError(int32_t native);

}  // namespace zeldb
