#include "db/EngineFactory.h"

#include "db/engine/odbc/OdbcConnString.h"
#include "db/engine/odbc/OdbcEngine.h"
#include "db/engine/postgres/PgConnInfo.h"
#if ZEL_WITH_POSTGRES
#include "db/engine/postgres/PgEngine.h"
#endif
#include "db/engine/sqlite/SqliteEngine.h"
#include "platform/Path.h"
#include "util/OraStatus.h"

namespace zeldb {

int32_t Engine_Connect(const ConnectParams& params, std::unique_ptr<EngineConnection>& out) {
  if (params.service.empty()) return ora::kServiceUnknown;
  // NET8 names an ODBC data source by "DSN=...", a PostgreSQL server by a
  // URI or key=value pairs, and otherwise a SQLite database file.
  if (Odbc_IsDataSource(params.service)) return Odbc_Connect(params.user, params.password, params.service, out);
  if (Pg_IsConnectString(params.service)) {
#if ZEL_WITH_POSTGRES
    return Pg_Connect(params.user, params.password, params.service, out);
#else
    // A build without the PostgreSQL engine (Windows) says so, instead of
    // taking the connection string for a file name that is not there.
    return ora::kNoSuchEngine;
#endif
  }
  return Sqlite_Connect(Plat_NativePath(params.service), out);
}

bool Engine_IsServer(const std::string& service) {
  return Odbc_IsDataSource(service) || Pg_IsConnectString(service);
}

std::string Engine_ShownServer(const std::string& service) {
  return Odbc_IsDataSource(service) ? Odbc_ShownConnectString(service) : Pg_ShownConnectString(service);
}

}  // namespace zeldb
