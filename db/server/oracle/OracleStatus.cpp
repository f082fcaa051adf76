#include "db/server/oracle/OracleStatus.h"

namespace zeldb {

int32_t Oracle_MapNativeError(int32_t native) { return native > 0 ? -native : 0; }

}  // namespace zeldb
