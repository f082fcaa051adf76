#include "db/EngineFactory.h"

#include "db/engine/postgres/PgEngine.h"
#include "db/engine/sqlite/SqliteEngine.h"
#include "platform/Path.h"
#include "util/OraStatus.h"

namespace zeldb {

int32_t Engine_Connect(const ConnectParams& params, std::unique_ptr<EngineConnection>& out) {
  if (params.service.empty()) return ora::kServiceUnknown;
  // NET8 names a PostgreSQL server by a URI or key=value pairs, and
  // otherwise a SQLite database file.
  if (Pg_IsConnectString(params.service)) return Pg_Connect(params.user, params.password, params.service, out);
  return Sqlite_Connect(Plat_NativePath(params.service), out);
}

}  // namespace zeldb
