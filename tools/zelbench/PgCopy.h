// Benchmark databases on a PostgreSQL server. Every input is made and
// compared as a SQLite file (Generator.h, Floor.h); these functions carry
// such a file to the server and a run's download table back.
//
// `server` is a libpq connection string without a database name (e.g.
// "host=/tmp/zpb.x user=postgres"), naming a role that may create databases.
// All return true when done, or false after writing the reason to standard
// error.
#pragma once

#include <string>

namespace zelbench {

// The connection string of database `name` on `server`.
std::string PgDatabase(const std::string& server, const std::string& name);

// A new database `name` (replacing one of that name) with the schema and
// every row of the SQLite file `file`, analysed and vacuumed as a server's
// maintenance would have left it.
bool PgLoad(const std::string& server, const std::string& name, const std::string& file);

// Database `name` anew as a copy of database `from`, as one file copy on the
// server (the way an installation is set back between runs).
bool PgCopyDatabase(const std::string& server, const std::string& from, const std::string& name);

// Writes database `name`'s download table into the SQLite file `file` (an
// existing file with the schema), replacing the rows there; days and
// instants in the SQLite engine's stored form.
bool PgSavePrv(const std::string& server, const std::string& name, const std::string& file);

}  // namespace zelbench
