// What every connection to a SQLite database runs first.
#pragma once

struct sqlite3;

namespace zeldb {

// Registers the Oracle functions (SqliteFunctions.h) on `db` and sets the
// write-ahead log, durable commits and a 500 kB page cache.
void Sqlite_SessionSetup(sqlite3* db);

}  // namespace zeldb
