#include "db/Engine.h"

#include "db/OraStatus.h"
#include "db/SqliteEngine.h"
#include "platform/Path.h"

namespace zeldb {

int32_t Engine_Connect(const ConnectParams& params, std::unique_ptr<EngineConnection>& out) {
  if (params.service.empty()) return ora::kServiceUnknown;
  return Sqlite_Connect(Plat_NativePath(params.service), out);
}

}  // namespace zeldb
