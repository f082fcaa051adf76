// A write that meets another program's lock fails after one bounded wait,
// not after two: the savepoint that takes SQLite's write lock gives up, and
// the statement is then not sent into the same lock again.
#include <gtest/gtest.h>

#include <cstring>

#include "DbTestSupport.h"
#include "db/Dbstd.h"
#include "db/engine/sqlite/SqliteEngine.h"

namespace {

using namespace zeltest;

TEST(ReliabilityDb, WriteAgainstALockWaitsOnceAndChangesNothing) {
  ZEL_SQLITE_ONLY();
  zeldb::Sqlite_SetBusyTimeoutForTest(50);
  TestDatabase db;
  zeldb::Sqlite_SetBusyTimeoutForTest(zeldb::kSqliteBusyTimeoutMs);
  db.Exec("insert into Mvs510Prv (PrvPnr, PrvNam) values ('10000001', 'Adler, Jonas')");
  PrvRecord rec{};
  rec.PrvPnr = "10000001";
  ASSERT_EQ(Prv_PKeyReadk(rec), 0);
  rec.PrvNam = "Adler, Jona";

  db.Exec("begin exclusive");
  EXPECT_EQ(Prv_PKeyUpd(rec), -54);
  db.Exec("commit");
  uint64_t updates = 0;
  for (const zeldb::StatementUse& u : zeldb::CurrentSession()->Uses())
    if (std::strcmp(u.name, "Prv_PKeyUpd") == 0) updates += u.executions;
  EXPECT_EQ(updates, 0u) << "the update was sent into the lock after its savepoint had already waited";
  EXPECT_EQ(db.Value("select PrvNam from Mvs510Prv"), "Adler, Jonas");

  // Once the lock is gone, the same write goes through.
  EXPECT_EQ(Prv_PKeyUpd(rec), 0);
  EXPECT_EQ(db.Value("select PrvNam from Mvs510Prv"), "Adler, Jona");
}

}  // namespace
