// A cursor that stays open across many commits (the full check storing rows
// while it walks them, the assignment update inserting one row per fetch):
// it delivers the rows of its open, in order, however many writes commit
// meanwhile, and it does not keep the write-ahead log from being
// checkpointed for the rest of the run.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "TestSupport.h"
#include "db/EngineFactory.h"
#include "db/Dbstd.h"
#include "db/Session.h"
#include "db/engine/Engine.h"
#include "db/engine/EngineCounters.h"
#include "db/schema/Schema.h"
#include "util/OraStatus.h"

namespace zeltest {
namespace {

// Enough commits for the engine to move an open cursor's rows aside.
constexpr int kManyCommits = 10000;
constexpr int kRows = 60;

std::string Pnr(int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08d", i);
  return buf;
}

class LongCursor : public ::testing::Test {
 protected:
  void SetUp() override {
    // Thousands of durable commits: in memory-backed storage where there is
    // one, so that the test does not wait for the disk.
    const fs::path shm = "/dev/shm";
    std::error_code ec;
    base_ = fs::is_directory(shm, ec) ? shm : fs::temp_directory_path();
    dir_ = base_ / ("zeltest-cursor-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    file_ = (dir_ / "cursor.db").string();
    WriteFile(file_, "");
    std::unique_ptr<zeldb::EngineConnection> conn;
    ASSERT_EQ(zeldb::Engine_Connect({"", "", file_}, conn), 0);
    for (const std::string& ddl : zeldb::Schema_Ddl(conn->Flavor())) ASSERT_EQ(conn->ExecDirect(ddl), 0) << ddl;
    zeldb::InstallSession(std::make_unique<zeldb::Session>(std::move(conn)));
    for (int i = 1; i <= kRows; ++i) {
      PrvRecord r{};
      r.PrvPnr = Pnr(i);
      r.PrvNam = "before";
      r.PrvFbe = "FB01";
      ASSERT_EQ(Prv_PKeyIns(r), 0);
    }
  }
  void TearDown() override {
    zeldb::InstallSession(nullptr);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // Stores a new name in a row that the cursor has not reached yet.
  void Rename(int i, const std::string& name) {
    PrvRecord r{};
    r.PrvPnr = Pnr(i);
    ASSERT_EQ(Prv_PKeyReadk(r), 0);
    r.PrvNam = name;
    ASSERT_EQ(Prv_PKeyUpd(r), 0);
  }

  uintmax_t LogSize() const {
    std::error_code ec;
    const uintmax_t n = fs::file_size(file_ + "-wal", ec);
    return ec ? 0 : n;
  }

  fs::path base_, dir_;
  std::string file_;
};

TEST_F(LongCursor, DeliversTheRowsOfItsOpenAcrossManyCommitsAndLetsTheLogBeReused) {
  PrvRecord rec{};
  ASSERT_EQ(Prv_PnrRange_Open("00000000", "99999999"), 0);
  ASSERT_EQ(Prv_PKeyRead(rec), 0);
  EXPECT_EQ(rec.PrvPnr.str(), Pnr(1));

  for (int n = 0; n < kManyCommits; ++n) Rename(2 + n % (kRows - 1), "after " + std::to_string(n));

  // The rest of the rows, in order, as they were when the cursor opened.
  for (int i = 2; i <= kRows; ++i) {
    ASSERT_EQ(Prv_PKeyRead(rec), 0) << i;
    EXPECT_EQ(rec.PrvPnr.str(), Pnr(i));
    EXPECT_EQ(rec.PrvNam.str(), "before") << i;
  }
  EXPECT_EQ(Prv_PKeyRead(rec), ora::kNoRow);
  EXPECT_EQ(Prv_PKeyRead(rec), ora::kNoRow);

  // The cursor no longer holds the log: the writes that follow reuse it
  // (after the one commit that finds it free) instead of making it half as
  // long again.
  const uintmax_t logBefore = LogSize();
  ASSERT_GT(logBefore, 0u);
  for (int n = 0; n < kManyCommits / 2; ++n) Rename(1 + n % kRows, "later " + std::to_string(n));
  EXPECT_LT(LogSize(), logBefore + logBefore / 10);
  ASSERT_EQ(Prv_PnrRange_Close(), 0);

  // Opened again, the cursor reads the table as it is now.
  ASSERT_EQ(Prv_PnrRange_Open("00000000", "99999999"), 0);
  int rows = 0;
  while (Prv_PKeyRead(rec) == 0) {
    ++rows;
    EXPECT_EQ(rec.PrvNam.str().rfind("later ", 0), 0u) << rec.PrvPnr.str();
  }
  EXPECT_EQ(rows, kRows);
  EXPECT_EQ(Prv_PnrRange_Close(), 0);
}

// A cursor opened after the many commits streams as usual, and one that is
// closed early after its rows were moved aside opens again with all rows.
TEST_F(LongCursor, ClosedEarlyAfterManyCommitsItOpensAgainWithAllRows) {
  PrvRecord rec{};
  ASSERT_EQ(Prv_PnrRange_Open("00000000", "99999999"), 0);
  ASSERT_EQ(Prv_PKeyRead(rec), 0);
  for (int n = 0; n < kManyCommits; ++n) Rename(1 + n % kRows, "after " + std::to_string(n));
  ASSERT_EQ(Prv_PKeyRead(rec), 0);
  EXPECT_EQ(rec.PrvPnr.str(), Pnr(2));
  EXPECT_EQ(rec.PrvNam.str(), "before");
  ASSERT_EQ(Prv_PnrRange_Close(), 0);

  // The copy's table changed the connection's schema: SQLite parses the
  // cursor's text once more, and the counters say so.
  const uint64_t repeatedBefore = zeldb::Engine_Counters().repeatedPreparations;
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(Prv_PnrRange_Open("00000000", "99999999"), 0);
    int rows = 0;
    while (Prv_PKeyRead(rec) == 0) {
      ++rows;
      EXPECT_EQ(rec.PrvPnr.str(), Pnr(rows));
      EXPECT_EQ(rec.PrvNam.str().rfind("after ", 0), 0u);
    }
    EXPECT_EQ(rows, kRows) << round;
    EXPECT_EQ(Prv_PnrRange_Close(), 0);
  }
  EXPECT_EQ(zeldb::Engine_Counters().repeatedPreparations, repeatedBefore + 1);
}

}  // namespace
}  // namespace zeltest
