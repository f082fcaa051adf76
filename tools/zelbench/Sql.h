// Thin helpers over the SQLite API for the benchmark tool: a connection and a
// prepared statement that finalize themselves. The tool talks to SQLite
// directly (generating data fast, measuring the engine's floor); the jobs
// never use these.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace zelbench {

class SqlStatement {
 public:
  SqlStatement() = default;
  SqlStatement(sqlite3* db, const std::string& sql);
  ~SqlStatement() { sqlite3_finalize(stmt_); }
  SqlStatement(SqlStatement&& other) noexcept : stmt_(other.stmt_) { other.stmt_ = nullptr; }
  SqlStatement& operator=(SqlStatement&& other) noexcept;
  SqlStatement(const SqlStatement&) = delete;
  SqlStatement& operator=(const SqlStatement&) = delete;

  bool ok() const { return stmt_ != nullptr; }
  sqlite3_stmt* get() const { return stmt_; }

  // Binds a text, or NULL for an empty one (as the jobs bind them). The
  // text is copied.
  void Text(int index, std::string_view value);
  void Int(int index, int64_t value) { sqlite3_bind_int64(stmt_, index, value); }
  void Null(int index) { sqlite3_bind_null(stmt_, index); }

  int Step() { return sqlite3_step(stmt_); }
  void Reset() { sqlite3_reset(stmt_); }
  // Steps to the end and resets; returns the last result code.
  int Run();

  std::string_view Column(int column) const;
  int64_t ColumnInt(int column) const { return sqlite3_column_int64(stmt_, column); }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

class SqlDb {
 public:
  // Opens an existing file read-write (create: also makes a new one).
  explicit SqlDb(const std::string& file, bool create = false);
  ~SqlDb() { sqlite3_close_v2(db_); }
  SqlDb(const SqlDb&) = delete;
  SqlDb& operator=(const SqlDb&) = delete;

  bool ok() const { return db_ != nullptr; }
  sqlite3* get() const { return db_; }
  const std::string& error() const { return error_; }

  // Runs SQL that returns no rows; false (with error()) on failure.
  bool Exec(const std::string& sql);
  SqlStatement Prepare(const std::string& sql) { return SqlStatement(db_, sql); }
  // The first column of the first row as text ("" when there is none).
  std::string Value(const std::string& sql);

 private:
  sqlite3* db_ = nullptr;
  std::string error_;
};

// "YYYY-MM-DD 00:00:00" of a day number (util/CivilDate.h), as the tables store days.
std::string StoredDay(int64_t day);
// "yyyymmdd" of a day number, as the jobs pass days.
std::string HostDay(int64_t day);
// Today's day number in local time.
int64_t LocalToday();

}  // namespace zelbench
