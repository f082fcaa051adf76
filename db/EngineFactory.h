// Which engine a connection goes to.
//
// The session (db/DbDb.cpp) and the set-up tools hand over the three
// configuration values; the factory picks the engine that NET8 names and
// opens its connection. It is the one place that knows every engine, so
// the engine interface (db/engine/Engine.h) knows none of them and a third
// engine is added here and in its own room under db/engine/.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "db/engine/Engine.h"

namespace zeldb {

// What dbConnect hands to an engine: the three configuration values.
struct ConnectParams {
  std::string user;
  std::string password;
  std::string service;  // NET8: an ODBC data source, a PostgreSQL connection string, else the SQLite database file
};

// Opens the engine that the service names: ODBC for "DSN=...", PostgreSQL
// for a URI or other key=value pairs, SQLite for anything else. Returns 0 or a negative status;
// -12538 for a PostgreSQL connection string in a build without that engine
// (Windows).
int32_t Engine_Connect(const ConnectParams& params, std::unique_ptr<EngineConnection>& out);

// Whether the service names a database server (an ODBC data source or a
// PostgreSQL connection string) rather than a SQLite file.
bool Engine_IsServer(const std::string& service);

// A server's service as messages show it: without any password it holds.
std::string Engine_ShownServer(const std::string& service);

}  // namespace zeldb
