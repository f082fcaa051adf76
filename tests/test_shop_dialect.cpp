// The time of day as a format of its own: TO_CHAR(col,'HH24MISS') reads the
// time of an instant; as a format to write, it is refused, by the dialect and
// by the SQLite functions alike, since a time alone names no date.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "db/Dialect.h"
#include "db/SqliteEngine.h"
#include "db/SqliteFunctions.h"

namespace {

TEST(ShopDialect, TimeOfDayIsReadButNeverWritten) {
  auto read = zeldb::Translate("select TO_CHAR(ApkBdi,'yyyymmdd') ,TO_CHAR(ApkBdi,'HH24MISS') into :b0:b1,:b2:b3  "
                               "from Mvs501Apk where ApkApk=:b0",
                               zeldb::Sqlite_Flavor());
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(read.sql, "select ora_to_char(ApkBdi,'yyyymmdd') ,ora_to_char(ApkBdi,'HH24MISS')   from Mvs501Apk "
                      "where ApkApk=?1");
  EXPECT_FALSE(zeldb::Translate("update T set D=TO_DATE(:b0,'HH24MISS')", zeldb::Sqlite_Flavor()).ok);
}

std::string Eval(sqlite3* db, const std::string& expr) {
  sqlite3_stmt* st = nullptr;
  std::string out;
  if (sqlite3_prepare_v2(db, ("select " + expr).c_str(), -1, &st, nullptr) != SQLITE_OK) return "prepare failed";
  const int rc = sqlite3_step(st);
  if (rc == SQLITE_ROW) {
    const unsigned char* t = sqlite3_column_text(st, 0);
    out = t ? reinterpret_cast<const char*>(t) : "<null>";
  } else {
    out = sqlite3_errmsg(db);
  }
  sqlite3_finalize(st);
  return out;
}

TEST(ShopDialect, SqliteFunctionsTellTheFormatsByTheirText) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  ASSERT_EQ(zeldb::Sqlite_RegisterFunctions(db), SQLITE_OK);
  struct Case {
    const char* expr;
    const char* result;
  } cases[] = {
      {"ora_to_char('2026-03-15 07:08:09','HH24MISS')", "070809"},
      {"ora_to_char('2026-03-15 07:08:09','hh24miss')", "070809"},
      {"ora_to_char('2026-03-15 07:08:09','yyyymmdd')", "20260315"},
      {"ora_to_char('2026-03-15 07:08:09','yyyymmddHH24MISS')", "20260315070809"},
      {"ora_to_char('2026-03-15','HH24MISS')", "000000"},
      {"ora_to_char(NULL,'HH24MISS')", "<null>"},
      {"ora_to_char('2026-03-15 07:08:09','ddmmyyyy')", "ORA-01821: date format not recognized"},
      {"ora_to_date('20260315','yyyymmdd')", "2026-03-15 00:00:00"},
      {"ora_to_date('070809','HH24MISS')", "ORA-01821: date format not recognized"},
      {"ora_to_date('20260315','HH24MISS')", "ORA-01821: date format not recognized"},
  };
  for (const Case& c : cases) EXPECT_EQ(Eval(db, c.expr), c.result) << c.expr;
  sqlite3_close(db);
}

}  // namespace
