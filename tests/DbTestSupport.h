// A real SQLite database for a test: a temporary file with the system's
// schema, the session connected to it, and a second, independent connection
// through which the test prepares rows and checks what the operations left.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "db/Engine.h"
#include "db/Schema.h"
#include "db/Session.h"

namespace zeltest {

class TestDatabase {
 public:
  TestDatabase() : file_((dir_ / "test.db").string()) {
    WriteFile(file_, "");
    std::unique_ptr<zeldb::EngineConnection> setup;
    EXPECT_EQ(zeldb::Engine_Connect({"", "", file_}, setup), 0);
    for (const std::string& ddl : zeldb::Schema_SqliteDdl()) EXPECT_EQ(setup->ExecDirect(ddl), 0) << ddl;
    setup.reset();
    Connect();
    EXPECT_EQ(sqlite3_open_v2(file_.c_str(), &other_, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    sqlite3_busy_timeout(other_, 5000);
  }
  ~TestDatabase() {
    zeldb::InstallSession(nullptr);
    sqlite3_close_v2(other_);
  }

  // (Re)connects the session of the operations under test.
  void Connect() {
    zeldb::InstallSession(nullptr);
    std::unique_ptr<zeldb::EngineConnection> conn;
    ASSERT_EQ(zeldb::Engine_Connect({"", "", file_}, conn), 0);
    zeldb::InstallSession(std::make_unique<zeldb::Session>(std::move(conn)));
  }

  const std::string& File() const { return file_; }
  const TempDir& Dir() const { return dir_; }

  // Runs SQL on the independent connection; fails the test on an error.
  void Exec(const std::string& sql) {
    char* err = nullptr;
    ASSERT_EQ(sqlite3_exec(other_, sql.c_str(), nullptr, nullptr, &err), SQLITE_OK) << (err ? err : "") << "\n" << sql;
  }

  // The rows of a query on the independent connection, each row its columns
  // joined by '|', NULL written as "<null>".
  std::vector<std::string> Rows(const std::string& sql) {
    std::vector<std::string> rows;
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(other_, sql.c_str(), -1, &st, nullptr), SQLITE_OK) << sql;
    while (st && sqlite3_step(st) == SQLITE_ROW) {
      std::string row;
      for (int i = 0; i < sqlite3_column_count(st); ++i) {
        if (i) row += "|";
        const unsigned char* t = sqlite3_column_text(st, i);
        row += t ? reinterpret_cast<const char*>(t) : "<null>";
      }
      rows.push_back(row);
    }
    sqlite3_finalize(st);
    return rows;
  }
  std::string Value(const std::string& sql) {
    auto rows = Rows(sql);
    return rows.empty() ? "<none>" : rows[0];
  }

  sqlite3* Other() { return other_; }

 private:
  TempDir dir_;
  std::string file_;
  sqlite3* other_ = nullptr;
};

// Today's local day plus `offset` days, as the database stores it and as the
// records carry it.
inline std::string StoredDay(int offset = 0) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  local.tm_mday += offset;
  local.tm_hour = 12;  // away from daylight-saving edges
  local.tm_isdst = -1;
  std::time_t t = std::mktime(&local);
  localtime_r(&t, &local);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d 00:00:00", &local);
  return buf;
}
inline std::string Day(int offset = 0) {
  const std::string s = StoredDay(offset);
  return s.substr(0, 4) + s.substr(5, 2) + s.substr(8, 2);
}

}  // namespace zeltest
