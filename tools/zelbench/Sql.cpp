#include "tools/zelbench/Sql.h"

#include <cstdio>
#include <ctime>

#include "platform/Clock.h"
#include "util/CivilDate.h"

namespace zelbench {

SqlStatement::SqlStatement(sqlite3* db, const std::string& sql) {
  if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt_, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "zelbench: %s\n  in: %s\n", sqlite3_errmsg(db), sql.c_str());
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
  }
}

SqlStatement& SqlStatement::operator=(SqlStatement&& other) noexcept {
  if (this != &other) {
    sqlite3_finalize(stmt_);
    stmt_ = other.stmt_;
    other.stmt_ = nullptr;
  }
  return *this;
}

void SqlStatement::Text(int index, std::string_view value) {
  if (value.empty())
    sqlite3_bind_null(stmt_, index);
  else
    sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
}

int SqlStatement::Run() {
  int rc;
  while ((rc = sqlite3_step(stmt_)) == SQLITE_ROW) {
  }
  sqlite3_reset(stmt_);
  return rc;
}

std::string_view SqlStatement::Column(int column) const {
  const unsigned char* p = sqlite3_column_text(stmt_, column);
  if (!p) return {};
  return std::string_view(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(stmt_, column)));
}

SqlDb::SqlDb(const std::string& file, bool create) {
  const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
  if (sqlite3_open_v2(file.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    error_ = db_ ? sqlite3_errmsg(db_) : "cannot open";
    sqlite3_close_v2(db_);
    db_ = nullptr;
    return;
  }
  sqlite3_busy_timeout(db_, 5000);
}

bool SqlDb::Exec(const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return true;
  error_ = message ? message : "error";
  sqlite3_free(message);
  return false;
}

std::string SqlDb::Value(const std::string& sql) {
  SqlStatement st(db_, sql);
  if (!st.ok() || st.Step() != SQLITE_ROW) return "";
  return std::string(st.Column(0));
}

std::string StoredDay(int64_t day) {
  int y, m, d;
  CivilFromDays(day, y, m, d);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d 00:00:00", y, m, d);
  return buf;
}

std::string HostDay(int64_t day) {
  int y, m, d;
  CivilFromDays(day, y, m, d);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
  return buf;
}

int64_t LocalToday() {
  std::tm t{};
  Plat_LocalTime(Plat_Now(), t);
  return DaysFromCivil(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
}

}  // namespace zelbench
