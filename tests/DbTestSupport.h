// A real database for a test, on the engine the run tests (DbClient.h):
// a temporary SQLite file or a fresh PostgreSQL database, with the system's
// schema, the session connected to it, and a second, independent client
// through which the test prepares rows and checks what the operations left.
#pragma once

#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "DbClient.h"
#include "TestSupport.h"
#include "db/EngineFactory.h"
#include "db/Session.h"
#include "db/engine/Engine.h"
#include "db/schema/Schema.h"
#include "platform/Clock.h"

namespace zeltest {

class TestDatabase {
 public:
  TestDatabase() {
    if (OnPostgres()) {
      pg_.emplace();
      target_ = pg_->Conninfo();
      net8_ = pg_->Net8();
    } else {
      target_ = (dir_ / "test.db").string();
      net8_ = target_;
      WriteFile(target_, "");
    }
    std::unique_ptr<zeldb::EngineConnection> setup;
    EXPECT_EQ(zeldb::Engine_Connect({User(), "", net8_}, setup), 0) << net8_;
    if (setup) {
      for (const std::string& ddl : zeldb::Schema_Ddl(setup->Flavor()))
        EXPECT_EQ(setup->ExecDirect(ddl), 0) << ddl;
    }
    setup.reset();
    Connect();
    client_ = std::make_unique<DbClient>(target_);
  }
  ~TestDatabase() {
    zeldb::InstallSession(nullptr);
    client_.reset();
  }

  // (Re)connects the session of the operations under test.
  void Connect() {
    zeldb::InstallSession(nullptr);
    std::unique_ptr<zeldb::EngineConnection> conn;
    ASSERT_EQ(zeldb::Engine_Connect({User(), "", net8_}, conn), 0);
    zeldb::InstallSession(std::make_unique<zeldb::Session>(std::move(conn)));
  }

  // The database as the tests' own client reaches it: the SQLite file or the
  // PostgreSQL connection string.
  const std::string& Target() const { return target_; }
  // What NET8 holds for the engine under test (on ODBC, a data source).
  const std::string& Net8() const { return net8_; }
  // The user LOGIN would hold (PostgreSQL's trusted superuser; none for SQLite).
  static std::string User() { return OnPostgres() ? "postgres" : ""; }
  const TempDir& Dir() const { return dir_; }

  void Exec(const std::string& sql) { client_->Exec(sql); }
  std::vector<std::string> Rows(const std::string& sql) { return client_->Rows(sql); }
  std::string Value(const std::string& sql) { return client_->Value(sql); }
  void CreateRefusal(const std::string& name, const std::string& event, const std::string& table,
                     const std::string& condition, const std::string& oraMessage) {
    client_->CreateRefusal(name, event, table, condition, oraMessage);
  }

 private:
  TempDir dir_;
  std::optional<PgScratchDatabase> pg_;
  std::string target_;
  std::string net8_;
  std::unique_ptr<DbClient> client_;
};

// Today's local day plus `offset` days, as the database stores it and as the
// records carry it.
inline std::string StoredDay(int offset = 0) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  Plat_LocalTime(now, local);
  local.tm_mday += offset;
  local.tm_hour = 12;  // away from daylight-saving edges
  local.tm_isdst = -1;
  std::time_t t = std::mktime(&local);
  Plat_LocalTime(t, local);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d 00:00:00", &local);
  return buf;
}
inline std::string Day(int offset = 0) {
  const std::string s = StoredDay(offset);
  return s.substr(0, 4) + s.substr(5, 2) + s.substr(8, 2);
}

}  // namespace zeltest
