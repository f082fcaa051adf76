// The floor's access to one engine: the jobs' statement texts rendered by
// the dialect for that engine, prepared once, and run with nothing of the
// database module in between. Floor.cpp walks the jobs' lookups and writes
// through this interface; FloorSqlite.cpp runs them on the sqlite3 API,
// FloorPg.cpp on libpq. Each keeps the connection layout of its engine (one
// connection for reads and writes, one more for each cursor), since that
// layout is what gives a cursor its snapshot across the writes' commits.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace zelbench {

// One prepared statement. Owned by its FloorDatabase; valid while it lives.
class FloorStatement {
 public:
  virtual ~FloorStatement() = default;

  // Host values, by 1-based parameter number; an empty text is NULL, as the
  // jobs bind empty texts.
  virtual void Text(int index, std::string_view value) = 0;
  virtual void Int(int index, int64_t value) = 0;

  // The next row; the first call after Reset() executes the statement.
  // False at the end (or on a failure, which ends the rows too).
  virtual bool Next() = 0;
  // Reads every column of the current row as text, as a job copies them all.
  virtual void TouchRow() = 0;
  virtual int Columns() const = 0;
  // A column of the current row; empty for NULL. Valid until the next Next().
  virtual std::string_view Column(int column) const = 0;
  // Ends the execution, closing a cursor before its end; the statement can
  // run again with new values.
  virtual void Reset() = 0;

  // Runs a write, committed durably on its own (autocommit). False on a
  // failure, with the engine's message in Error().
  virtual bool Execute() = 0;
  virtual std::string Error() const = 0;

  // Bookkeeping of Floor.cpp: what the statement is and how often it ran.
  const char* name = "";
  bool cursor = false;
  bool select = false;
  uint64_t runs = 0;
  uint64_t rows = 0;
};

// The connections of one run. Destroying it finalizes every statement
// before it closes the connections.
class FloorDatabase {
 public:
  virtual ~FloorDatabase() = default;
  // A statement on the connection for reads and writes; nullptr (reason on
  // standard error) when the text does not prepare.
  virtual FloorStatement* Prepare(const char* name, const char* oracleText) = 0;
  // A cursor on a connection of its own.
  virtual FloorStatement* PrepareCursor(const char* name, const char* oracleText) = 0;
};

// SQLite: `file` opened as the engine opens it. `commits` is the caller's
// count of durable writes so far: a cursor that stays open across 10,000 of
// them sets its remaining rows aside, as the engine does, so that the
// write-ahead log does not grow for the rest of the run. `now` and `today`
// are the values of "sysdate" and "trunc(sysdate)" for the whole run.
std::unique_ptr<FloorDatabase> FloorSqlite_Open(const std::string& file, const uint64_t& commits,
                                                const std::string& now, const std::string& today);

// PostgreSQL: `conninfo` as libpq takes it; the server's clock serves
// "sysdate". Statements are prepared on the server once.
std::unique_ptr<FloorDatabase> FloorPg_Open(const std::string& conninfo);

}  // namespace zelbench
