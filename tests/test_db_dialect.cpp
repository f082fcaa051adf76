// The dialect layer and the statement table: every Oracle text of the module
// must translate and prepare on the engine, with its host variables paired
// to the right placeholders.
#include <gtest/gtest.h>

#include "DbTestSupport.h"
#include "db/Dialect.h"
#include "db/DbstdCatalog.h"
#include "db/SqliteEngine.h"
#include "db/Statement.h"

namespace {

using zeldb::Translate;

TEST(Dialect, SelectIntoLosesItsIntoListAndReusesTheKeyPlaceholder) {
  auto tr = Translate("select A ,B into :b0:b1,:b2:b3  from T where K=:b0", zeldb::Sqlite_Flavor());
  ASSERT_TRUE(tr.ok) << tr.error;
  EXPECT_EQ(tr.sql, "select A ,B   from T where K=?1");
  EXPECT_EQ(tr.outputs, (std::vector<int>{0, 2}));
  EXPECT_EQ(tr.parameters, (std::vector<int>{0}));
}

TEST(Dialect, IntoWithoutIndicatorsAndRepeatedInputs) {
  auto tr = Translate("select count(*)  into :b0  from X where (a>:b1 and b<=:b2 and c>=:b1)", zeldb::Sqlite_Flavor());
  ASSERT_TRUE(tr.ok);
  EXPECT_EQ(tr.outputs, (std::vector<int>{0}));
  EXPECT_EQ(tr.parameters, (std::vector<int>{1, 2}));
  EXPECT_EQ(tr.sql, "select count(*)    from X where (a>?1 and b<=?2 and c>=?1)");
}

TEST(Dialect, DatesClockAndSchemaAreRenderedForSqlite) {
  struct Case {
    const char* oracle;
    const char* sqlite;
  } cases[] = {
      {"select TO_CHAR(D,'yyyymmdd') from T", "select ora_to_char(D,'yyyymmdd') from T"},
      {"update T set D=TO_DATE(:b0,'yyyymmddHH24MISS')", "update T set D=ora_to_date(?1,'yyyymmddHH24MISS')"},
      {"select 1 from MvSystem.Mvs133Bak where BakDtm=(TO_DATE(:b14,'yyyymmdd')+:b15)",
       "select 1 from Mvs133Bak where BakDtm=(ora_add_days(ora_to_date(?1,'yyyymmdd'),?2))"},
      {"select 1 from T where a<=trunc(SYSDATE) and b>=trunc(sysdate)", "select 1 from T where a<=?901 and b>=?901"},
      {"update T set D=sysdate", "update T set D=?900"},
      // Literals are never touched, even when they look like syntax.
      {"select 'into :b0 sysdate' from T", "select 'into :b0 sysdate' from T"},
  };
  for (const auto& c : cases) {
    auto tr = Translate(c.oracle, zeldb::Sqlite_Flavor());
    ASSERT_TRUE(tr.ok) << c.oracle << ": " << tr.error;
    EXPECT_EQ(tr.sql, c.sqlite);
  }
}

TEST(Dialect, RefusesWhatItCannotRenderFaithfully) {
  for (const char* text : {"select TO_CHAR(D,'dd.mm.yyyy') from T", "select trunc(D) from T",
                           "select TO_DATE(:b0) from T", "select 'open from T"}) {
    EXPECT_FALSE(Translate(text, zeldb::Sqlite_Flavor()).ok) << text;
  }
}

// A wrong statement text or a host-variable list that does not match its
// placeholders must fail here, not in a nightly run.
TEST(StatementTable, EveryStatementAndCursorPreparesOnSqlite) {
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
