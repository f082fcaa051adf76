// The dialect layer, the SQLite functions it renders dates with, and the
// statement table: every Oracle text of the module must translate and
// prepare on the engine, with its host variables paired to the right
// placeholders.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "DbTestSupport.h"
#include "db/Statement.h"
#include "db/engine/Dialect.h"
#include "db/engine/sqlite/SqliteEngine.h"
#include "db/server/sqlite/SqliteFunctions.h"
#include "db/tables/DbstdCatalog.h"

namespace {

using zeldb::Translate;

// The into-list goes (its indicators with it) and each input placeholder is
// bound once, however often the text repeats it.
TEST(Dialect, SelectIntoLosesItsIntoListAndBindsEachInputOnce) {
  struct Case {
    const char* oracle;
    const char* sqlite;
    std::vector<int> outputs, parameters;
  } cases[] = {
      {"select A ,B into :b0:b1,:b2:b3  from T where K=:b0", "select A ,B   from T where K=?1", {0, 2}, {0}},
      {"select count(*)  into :b0  from X where (a>:b1 and b<=:b2 and c>=:b1)",
       "select count(*)    from X where (a>?1 and b<=?2 and c>=?1)", {0}, {1, 2}},
  };
  for (const Case& c : cases) {
    auto tr = Translate(c.oracle, zeldb::Sqlite_Flavor());
    ASSERT_TRUE(tr.ok) << c.oracle << ": " << tr.error;
    EXPECT_EQ(tr.sql, c.sqlite);
    EXPECT_EQ(tr.outputs, c.outputs) << c.oracle;
    EXPECT_EQ(tr.parameters, c.parameters) << c.oracle;
  }
}

TEST(Dialect, DatesClockAndSchemaAreRenderedForSqlite) {
  struct Case {
    const char* oracle;
    const char* sqlite;
  } cases[] = {
      // A whole select item hands a value it cannot convert on with its row;
      // in a condition or inside an expression the conversion fails the statement.
      {"select TO_CHAR(D,'yyyymmdd') from T", "select ora_to_char_row(D,'yyyymmdd') from T"},
      {"select A ,TO_CHAR(D,'yyyymmdd') || 'x' ,nvl(TO_CHAR(D,'yyyymmdd'),'0') from T where TO_CHAR(D,'yyyymmdd')=:b0",
       "select A ,ora_to_char(D,'yyyymmdd') || 'x' ,nvl(ora_to_char(D,'yyyymmdd'),'0') from T where "
       "ora_to_char(D,'yyyymmdd')=?1"},
      {"update T set D=TO_DATE(:b0,'yyyymmddHH24MISS')", "update T set D=ora_to_date(?1,'yyyymmddHH24MISS')"},
      {"select 1 from MvSystem.Mvs133Bak where BakDtm=(TO_DATE(:b14,'yyyymmdd')+:b15)",
       "select 1 from Mvs133Bak where BakDtm=(ora_add_days(ora_to_date(?1,'yyyymmdd'),?2))"},
      {"select 1 from T where a<=trunc(SYSDATE) and b>=trunc(sysdate)", "select 1 from T where a<=?901 and b>=?901"},
      {"update T set D=sysdate", "update T set D=?900"},
      // Days before or after today, and Oracle's one-row table dual, which
      // the engines do without.
      {"select 1 from T where D>=trunc(sysdate)-1 and E<=trunc(SYSDATE)+:b0",
       "select 1 from T where D>=ora_add_days(?901,-(1)) and E<=ora_add_days(?901,?1)"},
      {"select TO_CHAR(sysdate,'yyyymmddHH24MISS') into :b0:b1  from dual",
       "select ora_to_char_row(?900,'yyyymmddHH24MISS')   "},
      // The time of day is read as a format of its own.
      {"select TO_CHAR(ApkBdi,'yyyymmdd') ,TO_CHAR(ApkBdi,'HH24MISS') into :b0:b1,:b2:b3  from Mvs501Apk where "
       "ApkApk=:b0",
       "select ora_to_char_row(ApkBdi,'yyyymmdd') ,ora_to_char_row(ApkBdi,'HH24MISS')   from Mvs501Apk where "
       "ApkApk=?1"},
      // Literals are never touched, even when they look like syntax.
      {"select 'into :b0 sysdate' from T", "select 'into :b0 sysdate' from T"},
  };
  for (const auto& c : cases) {
    auto tr = Translate(c.oracle, zeldb::Sqlite_Flavor());
    ASSERT_TRUE(tr.ok) << c.oracle << ": " << tr.error;
    EXPECT_EQ(tr.sql, c.sqlite);
  }
}

// A time alone names no date: as a format to write it is refused.
TEST(Dialect, RefusesWhatItCannotRenderFaithfully) {
  for (const char* text : {"select TO_CHAR(D,'dd.mm.yyyy') from T", "select trunc(D) from T",
                           "select TO_DATE(:b0) from T", "select 'open from T",
                           "update T set D=TO_DATE(:b0,'HH24MISS')"}) {
    EXPECT_FALSE(Translate(text, zeldb::Sqlite_Flavor()).ok) << text;
  }
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

// The SQLite functions behind the rendering tell the formats by their text
// and, like the dialect, refuse a time of day as a format to write.
TEST(Dialect, SqliteFunctionsTellTheFormatsByTheirText) {
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
      {"ora_to_char('2026-02-30 07:08:09','yyyymmdd')", "ORA-01861: literal does not match format string"},
      {"ora_to_char_row('2026-03-15 07:08:09','yyyymmdd')", "20260315"},
      {"typeof(ora_to_char_row('2026-02-30 07:08:09','yyyymmdd'))", "blob"},
      {"ora_to_date('20260315','yyyymmdd')", "2026-03-15 00:00:00"},
      {"ora_to_date('070809','HH24MISS')", "ORA-01821: date format not recognized"},
      {"ora_to_date('20260315','HH24MISS')", "ORA-01821: date format not recognized"},
  };
  for (const Case& c : cases) EXPECT_EQ(Eval(db, c.expr), c.result) << c.expr;
  sqlite3_close(db);
}

// A wrong statement text or a host-variable list that does not match its
// placeholders must fail here, not in a nightly run.
TEST(StatementTable, EveryStatementAndCursorPreparesOnEveryEngine) {
  zeltest::TestDatabase db;
  const auto statements = zeldb::Dbstd_Statements();
  const auto cursors = zeldb::Dbstd_Cursors();
  EXPECT_GE(statements.size(), 12u);
  EXPECT_GE(cursors.size(), 4u);
  for (const auto* def : statements) EXPECT_EQ(zeldb::Stmt_Prepare(*def), 0) << def->name << ": " << def->text;
  for (const auto* def : cursors) EXPECT_EQ(zeldb::Cursor_Prepare(*def), 0) << def->name << ": " << def->text;
}

TEST(StatementTable, WritesCarryTheirSavepointNames) {
  for (const auto* def : zeldb::Dbstd_Statements()) {
    if (def->kind == zeldb::StmtKind::SelectInto) continue;
    ASSERT_NE(def->savepoint, nullptr) << def->name;
    EXPECT_EQ(std::string(def->savepoint), std::string(def->name) + "_Sp");
  }
}

}  // namespace
