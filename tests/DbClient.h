// A plain client of the test database, independent of the session under
// test: the tests prepare rows and check what the operations left through
// it. It speaks to SQLite (a file) or to PostgreSQL (a connection string),
// whichever engine the run tests.
//
// The engine under test is chosen for the whole test run by the variable
// ZEL_TEST_ENGINE ("sqlite", the default, "postgres", or "odbc": the ODBC
// engine through PostgreSQL's ODBC driver); for PostgreSQL and ODBC,
// ZEL_TEST_PG_HOST names the socket directory of the throwaway server that
// scripts/test starts (user "postgres", trusted). The server is the same for
// both, so the client below speaks libpq to it either way; only the
// connections of the code under test go through ODBC, to the data source
// "zelpg" of the server's private ODBC configuration (scripts/pg-test-server).
#pragma once

#include <gtest/gtest.h>
#if ZEL_WITH_POSTGRES
#include <libpq-fe.h>
#endif
#include <sqlite3.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <vector>

#include "TestEnv.h"
#include "tools/platform/ChildProgram.h"

namespace zeltest {

#if !ZEL_WITH_POSTGRES
// A build without the PostgreSQL engine (Windows) has no client library
// either: these stand-ins fail every call, and OnPostgres() is never true
// there but by mistake.
struct PGconn;
struct PGresult;
enum { CONNECTION_OK, PGRES_COMMAND_OK, PGRES_TUPLES_OK };
inline PGconn* PQconnectdb(const char*) { return nullptr; }
inline int PQstatus(const PGconn*) { return -1; }
inline const char* PQerrorMessage(const PGconn*) { return "no PostgreSQL in this build"; }
inline PGresult* PQexec(PGconn*, const char*) { return nullptr; }
inline int PQresultStatus(const PGresult*) { return -1; }
inline void PQclear(PGresult*) {}
inline void PQfinish(PGconn*) {}
inline int PQntuples(const PGresult*) { return 0; }
inline int PQnfields(const PGresult*) { return 0; }
inline bool PQgetisnull(const PGresult*, int, int) { return true; }
inline const char* PQgetvalue(const PGresult*, int, int) { return ""; }
#endif

// Whether the database server is PostgreSQL: through the PostgreSQL engine,
// or through the ODBC engine.
inline bool OnPostgres() {
  const char* e = std::getenv("ZEL_TEST_ENGINE");
  return e && (std::string(e) == "postgres" || std::string(e) == "odbc");
}

// Whether the code under test reaches the server through the ODBC engine.
inline bool OnOdbc() {
  const char* e = std::getenv("ZEL_TEST_ENGINE");
  return e && std::string(e) == "odbc";
}

inline std::string PgHost() {
  const char* h = std::getenv("ZEL_TEST_PG_HOST");
  return h ? h : "";
}

// Points unixODBC at the test server's private ODBC configuration, unless
// the run names one itself; the programs the tests start inherit it.
inline void UseTestOdbcConfiguration() {
  if (!OnOdbc() || std::getenv("ODBCINI")) return;
  SetEnv("ODBCSYSINI", PgHost() + "/odbc");
  SetEnv("ODBCINI", PgHost() + "/odbc/odbc.ini");
}

// Skips a test that exercises one engine's own mechanics.
#define ZEL_SQLITE_ONLY() \
  if (::zeltest::OnPostgres()) GTEST_SKIP() << "exercises SQLite itself"

class DbClient {
 public:
  // `target`: a SQLite file, or a PostgreSQL connection string.
  explicit DbClient(const std::string& target) {
    if (OnPostgres()) {
      pg_ = PQconnectdb((target + " user=postgres").c_str());
      EXPECT_EQ(PQstatus(pg_), CONNECTION_OK) << PQerrorMessage(pg_);
      Exec("SET search_path TO public, MvSystem; SET client_min_messages TO warning");
      // The tests read days with SQLite's text functions (substr(PrvGvo,1,10));
      // on PostgreSQL the same calls take the timestamp in its ISO text form.
      Exec("CREATE OR REPLACE FUNCTION public.substr(timestamp, int, int) RETURNS text LANGUAGE sql IMMUTABLE AS "
           "$$ SELECT substr(to_char($1, 'YYYY-MM-DD HH24:MI:SS'), $2, $3) $$");
      Exec("CREATE OR REPLACE FUNCTION public.substr(timestamp, int) RETURNS text LANGUAGE sql IMMUTABLE AS "
           "$$ SELECT substr(to_char($1, 'YYYY-MM-DD HH24:MI:SS'), $2) $$");
    } else {
      EXPECT_EQ(sqlite3_open_v2(target.c_str(), &lite_, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK) << target;
      sqlite3_busy_timeout(lite_, 5000);
    }
  }
  ~DbClient() {
    if (pg_) PQfinish(pg_);
    if (lite_) sqlite3_close_v2(lite_);
  }
  DbClient(const DbClient&) = delete;
  DbClient& operator=(const DbClient&) = delete;

  // Runs SQL; fails the test on an error.
  void Exec(const std::string& sql) {
    if (pg_) {
      PGresult* r = PQexec(pg_, sql.c_str());
      const auto s = PQresultStatus(r);
      EXPECT_TRUE(s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK) << PQerrorMessage(pg_) << "\n" << sql;
      PQclear(r);
      return;
    }
    char* err = nullptr;
    EXPECT_EQ(sqlite3_exec(lite_, sql.c_str(), nullptr, nullptr, &err), SQLITE_OK) << (err ? err : "") << "\n" << sql;
    sqlite3_free(err);
  }

  // Rows of a query, each its columns joined by '|', NULL as "<null>".
  std::vector<std::string> Rows(const std::string& sql) {
    std::vector<std::string> rows;
    if (pg_) {
      PGresult* r = PQexec(pg_, sql.c_str());
      EXPECT_EQ(PQresultStatus(r), PGRES_TUPLES_OK) << PQerrorMessage(pg_) << "\n" << sql;
      for (int i = 0; i < PQntuples(r); ++i) {
        std::string row;
        for (int c = 0; c < PQnfields(r); ++c) {
          if (c) row += "|";
          row += PQgetisnull(r, i, c) ? "<null>" : PQgetvalue(r, i, c);
        }
        rows.push_back(row);
      }
      PQclear(r);
      return rows;
    }
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(lite_, sql.c_str(), -1, &st, nullptr), SQLITE_OK) << sql;
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

  // A trigger that refuses `event` ("insert" or "update") on `table` for the
  // rows that `condition` (over new./old.) selects, with the Oracle-style
  // message `oraMessage` (for example "ORA-20002"), as a database rule of a
  // site might.
  void CreateRefusal(const std::string& name, const std::string& event, const std::string& table,
                     const std::string& condition, const std::string& oraMessage) {
    Exec(RefusalSql(name, event, table, condition, oraMessage));
  }

  // The SQL of CreateRefusal, for scenario tables that list their set-up SQL.
  static std::string RefusalSql(const std::string& name, const std::string& event, const std::string& table,
                                const std::string& condition, const std::string& oraMessage) {
    if (OnPostgres()) {
      const std::string row = event == "delete" ? "old" : "new";
      return "create function " + name + "_f() returns trigger language plpgsql as $$ begin if " + condition +
             " then raise exception '" + oraMessage + "'; end if; return " + row + "; end $$; " +
             "create trigger " + name + " before " + event + " on " + table + " for each row execute function " +
             name + "_f()";
    }
    return "create trigger " + name + " before " + event + " on " + table + " when " + condition +
           " begin select raise(abort, '" + oraMessage + "'); end";
  }

 private:
  sqlite3* lite_ = nullptr;
  PGconn* pg_ = nullptr;
};

// A fresh, empty PostgreSQL database on the test server; dropped with the object.
class PgScratchDatabase {
 public:
  PgScratchDatabase() {
    UseTestOdbcConfiguration();
    static std::atomic<int> counter{0};
    name_ = "zt" + std::to_string(Plat_ProcessId()) + "_" + std::to_string(++counter);
    Admin("CREATE DATABASE " + name_);
  }
  ~PgScratchDatabase() { Admin("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)"); }
  PgScratchDatabase(const PgScratchDatabase&) = delete;
  PgScratchDatabase& operator=(const PgScratchDatabase&) = delete;

  // The connection string NET8 carries (without user): short enough for the
  // 40 characters a configuration value holds.
  std::string Conninfo() const { return "host=" + PgHost() + " dbname=" + name_; }
  // What NET8 holds for the engine under test: the connection string, or on
  // ODBC the test data source with this database.
  std::string Net8() const { return OnOdbc() ? "DSN=zelpg;Database=" + name_ : Conninfo(); }
  const std::string& Name() const { return name_; }

 private:
  void Admin(const std::string& sql) {
    PGconn* c = PQconnectdb(("host=" + PgHost() + " user=postgres dbname=postgres").c_str());
    PGresult* r = PQexec(c, sql.c_str());
    EXPECT_EQ(PQresultStatus(r), PGRES_COMMAND_OK) << PQerrorMessage(c);
    PQclear(r);
    PQfinish(c);
  }
  std::string name_;
};

}  // namespace zeltest
