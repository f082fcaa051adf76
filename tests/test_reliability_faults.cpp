// Faults around a run of zelwrkjob as a real process: a database locked by
// another program beyond the bounded wait, a read-only database, a missing
// table, a value too long for its column, a missing or read-only Msg
// directory, a full disk while the logs are written, and a missing, empty,
// truncated or corrupted configuration file. Each run ends with exit code 0,
// reports what the logs prescribe, loses nothing committed, and a run after
// the fault is gone converges.
//
// The tests run as root, who ignores file modes. A read-only file or
// directory is made with `chattr +i` (immutable: not even root may write,
// create or delete); a full disk is a file-size limit (RLIMIT_FSIZE) set by
// the launcher zellaunch before it starts zelwrkjob.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <random>

#include "ReliabilitySupport.h"

namespace {

using namespace zeltest;

constexpr int kPersons = 200;

// An installation with pending work for A and U, and the table that an
// undisturbed A leaves.
struct Prepared {
  ReliabilityInstallation inst;
  PrvDump before, after;

  explicit Prepared(int droppedPercent = 0) {
    inst.Prepare(kPersons, 21, 40, droppedPercent);
    before = DumpPrv(inst.Db());
    EXPECT_EQ(inst.Run({"A"}).exitCode, 0);
    after = DumpPrv(inst.Db());
    EXPECT_NE(before, after);
    inst.Restore();
  }

  // The run ended by itself with exit code 0, well within the safety bound.
  void ExpectCleanExit(const Ended& e) {
    EXPECT_FALSE(e.hung) << "the run hung";
    EXPECT_TRUE(e.exited && e.exitCode == 0);
  }

  // The fault is gone: one more A run ends where an undisturbed run ends.
  void ExpectConvergence() {
    inst.ClearLogs();
    ExpectCleanExit(inst.Run({"A"}));
    EXPECT_EQ(inst.Entries(), std::vector<std::string>{});
    EXPECT_TRUE(DumpPrv(inst.Db()) == after);
  }

  // Rows are either untouched or stored as the run stores them.
  void ExpectWholeRows() {
    for (const auto& [pnr, row] : DumpPrv(inst.Db()))
      EXPECT_TRUE((before.count(pnr) && before.at(pnr) == row) || (after.count(pnr) && after.at(pnr) == row)) << row;
  }

  std::string DatabaseName() const {
    const std::string t = inst.Target();
    return t.substr(t.find("dbname=") + 7);
  }
};

// ------------------------------------------------------------ database

// The entries of a U run whose every write fails with `code`: failed inserts
// (the job goes on after each), then the failed correction that ends the
// update phase, then the failed store that ends the full check.
void ExpectUpdateRunEntries(const std::vector<std::string>& entries, const std::string& code) {
  ASSERT_GE(entries.size(), 2u);
  for (size_t i = 0; i + 2 < entries.size(); ++i) EXPECT_EQ(entries[i], "Prv_PKeyIns()|Prv_PKeyIns fehlgeschlagen|" + code);
  EXPECT_EQ(entries[entries.size() - 2], "Prv_PKeyUpd()|Prv_PKeyUpd fehlgeschlagen|" + code);
  EXPECT_EQ(entries.back(), "Prv_PKeyUpd|Update des PRV-Satzes fehlgeschlagen|" + code);
}

TEST(ReliabilityFaults, DatabaseLockedBeyondTheWaitReportsAndLosesNothing) {
  Prepared p;
  // Another program holds the table (SQLite: the database) for longer than
  // the engine waits (5 s); it lets go only after the run.
  DbClient holder(p.inst.Target());
  holder.Exec(OnPostgres() ? "begin; lock table Mvs510Prv in exclusive mode" : "begin exclusive");
  const Ended locked = p.inst.Run({"A"});
  holder.Exec("commit");
  p.ExpectCleanExit(locked);
  EXPECT_EQ(p.inst.Entries(), (std::vector<std::string>{"Prv_PKeyUpd|Update des PRV-Satzes fehlgeschlagen|-54"}));
  EXPECT_TRUE(DumpPrv(p.inst.Db()) == p.before);
  // The job log's section is whole: header, no line of the unstored change,
  // the closing empty line.
  const std::string section = p.inst.JobLogText();
  EXPECT_EQ(std::count(section.begin(), section.end(), '\n'), 2) << section;
  EXPECT_TRUE(fs::exists(p.inst.Msg() / "ZelDnlStd.Txt") || WaitForFile(p.inst.Msg() / "ZelDnlStd.Txt"));
  p.ExpectConvergence();
}

TEST(ReliabilityFaults, UpdateRunAgainstALockedDatabaseGoesOnAfterEachBoundedWait) {
  Prepared p(/*droppedPercent=*/2);
  DbClient holder(p.inst.Target());
  holder.Exec(OnPostgres() ? "begin; lock table Mvs510Prv in exclusive mode" : "begin exclusive");
  const Ended locked = p.inst.Run({"U"});
  holder.Exec("commit");
  p.ExpectCleanExit(locked);
  // Each failed insert is reported and the job goes on; the first failed
  // correction ends the update phase, the first failed store the full check.
  ExpectUpdateRunEntries(p.inst.Entries(), "-54");
  EXPECT_TRUE(DumpPrv(p.inst.Db()) == p.before);
  std::printf("faults: engine=%s U against a locked database: %zu entries, %.1f s\n",
              OnPostgres() ? "postgres" : "sqlite", p.inst.Entries().size(), locked.seconds);
}

TEST(ReliabilityFaults, ReadOnlyDatabaseReportsEveryRefusedWrite) {
  Prepared p(/*droppedPercent=*/2);
  std::optional<Immutable> file;
  if (OnPostgres()) {
    p.inst.Db().Exec("alter database " + p.DatabaseName() + " set default_transaction_read_only = on");
  } else {
    p.inst.CloseDb();  // the last connection checkpoints and removes the write-ahead log
    file.emplace(p.inst.DbFile());
    REQUIRE_IMMUTABLE(*file);
  }
  const Ended u = p.inst.Run({"U"});
  p.ExpectCleanExit(u);
  ExpectUpdateRunEntries(p.inst.Entries(), "-1031");
  EXPECT_EQ(JobLogDefect(p.inst.JobLogText()), "");

  if (OnPostgres()) {
    p.inst.Db().Exec("alter database " + p.DatabaseName() + " reset default_transaction_read_only");
  } else {
    file.reset();
  }
  EXPECT_TRUE(DumpPrv(p.inst.Db()) == p.before);
  // The update job inserts the missing rows; the full check then leaves the
  // rest as an undisturbed A would.
  p.inst.ClearLogs();
  p.ExpectCleanExit(p.inst.Run({"U"}));
  EXPECT_EQ(p.inst.Entries(), std::vector<std::string>{});
}

TEST(ReliabilityFaults, MissingTablesAreReported) {
  Prepared p;
  p.inst.Db().Exec("drop table Mvs510Prv");
  p.ExpectCleanExit(p.inst.Run({"A"}));
  p.ExpectCleanExit(p.inst.Run({"L"}));
  const std::vector<std::string> entries = p.inst.Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0], "Prv_PKeyRead|Read des PRV-Satzes fehlgeschlagen|-942");
  EXPECT_EQ(entries[1], "Prv_Delete()|Loeschen Msv510Prv fehlgeschlagen|-942");

  p.inst.ClearLogs();
  p.inst.Db().Exec(std::string("drop ") + (OnPostgres() ? "view Mvs133Bak; drop table MvSystem.Mvs301Asw" : "table Mvs301Asw"));
  p.ExpectCleanExit(p.inst.Run({"U"}));
  const std::vector<std::string> update = p.inst.Entries();
  ASSERT_FALSE(update.empty());
  EXPECT_EQ(update[0], "Asw_PnrAll_Read|Cursor Asw_Read fehlgeschlagen|-942");
  std::printf("faults: engine=%s missing tables: %s / %s / %s\n", OnPostgres() ? "postgres" : "sqlite",
              entries[0].c_str(), entries[1].c_str(), update[0].c_str());
}

TEST(ReliabilityFaults, ValueTooLongForItsColumnStopsTheRunAndKeepsTheRows) {
  Prepared p;
  // A site whose download table keeps names of 40 characters at most, and a
  // person, half-way through the table, whose new name is longer.
  if (OnPostgres()) {
    p.inst.Db().Exec("alter table Mvs510Prv alter column PrvNam type varchar(40)");
  } else {
    std::string ddl = p.inst.Db().Value("select sql from sqlite_master where name = 'Mvs510Prv'");
    const std::string wide = "length(PrvNam) <= 50";
    ASSERT_NE(ddl.find(wide), std::string::npos);
    ddl.replace(ddl.find(wide), wide.size(), "length(PrvNam) <= 40");
    p.inst.Db().Exec("alter table Mvs510Prv rename to zel_prv_wide");
    p.inst.Db().Exec(ddl);
    p.inst.Db().Exec("insert into Mvs510Prv select * from zel_prv_wide");
    p.inst.Db().Exec("drop table zel_prv_wide");
  }
  const std::string person = p.inst.Db().Value("select PrvPnr from Mvs510Prv order by PrvPnr limit 1 offset 100");
  p.inst.Db().Exec("update Mvs300Pnr set PnrNam = 'Oberhuber-Sonnleitner, Maximiliane Theres' where PnrNum = '" +
                   person + "'");
  p.ExpectCleanExit(p.inst.Run({"A"}));
  EXPECT_EQ(p.inst.Entries(), (std::vector<std::string>{"Prv_PKeyUpd|Update des PRV-Satzes fehlgeschlagen|-12899"}));
  // The rows before the person's are stored, the person's row and the rows
  // after it are as they were: the run ends at the failed store.
  const PrvDump now = DumpPrv(p.inst.Db());
  long stored = 0;
  for (const auto& [pnr, row] : now) {
    EXPECT_EQ(row, pnr < person ? p.after.at(pnr) : p.before.at(pnr));
    stored += pnr < person && row != p.before.at(pnr);
  }
  EXPECT_GT(stored, 0);
  EXPECT_EQ(now.size(), p.before.size());
  EXPECT_EQ(JobLogDefect(p.inst.JobLogText()), "");
  std::printf("faults: engine=%s value too long: %ld rows stored before the failing one\n",
              OnPostgres() ? "postgres" : "sqlite", stored);
}

// ------------------------------------------------------------ Msg directory

TEST(ReliabilityFaults, MissingMsgDirectoryLosesTheLogsButNoWork) {
  Prepared p;
  fs::remove_all(p.inst.Msg());
  p.ExpectCleanExit(p.inst.Run({"A"}));
  p.ExpectCleanExit(p.inst.Run({"S", "9999", "20260101"}));  // a failure entry that cannot be written
  EXPECT_TRUE(DumpPrv(p.inst.Db()) == p.after);
  EXPECT_FALSE(fs::exists(p.inst.Msg()));
  // The stand-in download program records its start beside, for want of Msg/.
  EXPECT_TRUE(WaitForFile(p.inst.Work() / "ZelDnlStd.Txt"));
}

TEST(ReliabilityFaults, ReadOnlyMsgDirectoryLosesTheLogsButNoWorkAndDoesNotHang) {
  Prepared p(/*droppedPercent=*/3);
  p.inst.ClearLogs();
  WriteFile(p.inst.Msg() / "ZelWrkJob.txt", "");
  WriteFile(p.inst.Msg() / "WrkJobLog.Txt", "");
  Immutable log(p.inst.Msg() / "ZelWrkJob.txt"), jobLog(p.inst.Msg() / "WrkJobLog.Txt"), dir(p.inst.Msg());
  REQUIRE_IMMUTABLE(dir);
  // A run with a read-only database as well: every insert of U fails and
  // wants an entry that cannot be written. Only the first entry waits its
  // bounded wait for the log; the rest are dropped at once.
  std::optional<Immutable> file;
  if (OnPostgres()) {
    p.inst.Db().Exec("alter database " + p.DatabaseName() + " set default_transaction_read_only = on");
  } else {
    p.inst.CloseDb();
    file.emplace(p.inst.DbFile());
  }
  const Ended u = p.inst.Run({"U"});
  p.ExpectCleanExit(u);
  std::printf("faults: engine=%s read-only Msg and database: U ended after %.1f s\n",
              OnPostgres() ? "postgres" : "sqlite", u.seconds);
  if (OnPostgres()) p.inst.Db().Exec("alter database " + p.DatabaseName() + " reset default_transaction_read_only");
  file.reset();
  EXPECT_EQ(ReadFile(p.inst.Msg() / "ZelWrkJob.txt"), "");
  EXPECT_EQ(ReadFile(p.inst.Msg() / "WrkJobLog.Txt"), "");

  // Only the logs are read-only: the run does all of its work.
  const Ended a = p.inst.Run({"A"});
  p.ExpectCleanExit(a);
  EXPECT_TRUE(DumpPrv(p.inst.Db()) == p.after);
}

// A full disk while the logs are written: both logs already reach almost to
// the size limit that zellaunch sets, so that the next entry and the job's
// lines no longer fit.
TEST(ReliabilityFaults, FullDiskWhileTheLogsAreWrittenLeavesOnlyWholeLinesAndEntries) {
  Prepared p;
  p.inst.CloseDb();
  const uintmax_t database = OnPostgres() ? 0 : fs::file_size(p.inst.DbFile());
  const uintmax_t limit = database + (4u << 20);

  std::string jobLog;
  const std::string line = "Pnr: " + std::string(200, 'x') + "\r\n";
  while (jobLog.size() + line.size() < limit - 150) jobLog += line;
  // Whole entries up to 100 bytes below the limit, the last one padded.
  auto entry = [](size_t messageLength) {
    return "\xFE\r\nSystem-Date: 01.01.26\r\nSystem-Time: 00:00:00\r\nMsgArt_____: FMSG \r\nMessage____: " +
           std::string(messageLength, 'F') + "\r\nFunktion___: test\r\nErrorCode__: 0\r\n";
  };
  std::string msgLog;
  while (msgLog.size() + 2 * entry(100).size() < limit - 100) msgLog += entry(100);
  msgLog += entry(limit - 100 - msgLog.size() - entry(0).size());
  ASSERT_EQ(msgLog.size(), limit - 100);
  WriteFile(p.inst.Msg() / "WrkJobLog.Txt", jobLog);
  WriteFile(p.inst.Msg() / "ZelWrkJob.txt", msgLog);

  auto run = [&](const std::vector<std::string>& args) {
    std::vector<std::string> argv{Program("zellaunch"), "--fsize", std::to_string(limit), "--"};
    for (const std::string& a : p.inst.JobArgv(args)) argv.push_back(a);
    return WaitChild(Spawn(argv, p.inst.Work()));
  };
  p.ExpectCleanExit(run({"A"}));
  p.ExpectCleanExit(run({"S"}));  // "Parameter fehlen ...": an entry that no longer fits

  const std::string jobAfter = ReadFile(p.inst.Msg() / "WrkJobLog.Txt");
  EXPECT_TRUE(jobAfter.compare(0, jobLog.size(), jobLog) == 0) << "earlier lines changed";
  EXPECT_GT(jobAfter.size(), jobLog.size()) << "the header should still have fitted";
  EXPECT_EQ(JobLogDefect(jobAfter.substr(jobLog.size())), "");
  EXPECT_TRUE(ReadFile(p.inst.Msg() / "ZelWrkJob.txt") == msgLog) << "the entry that did not fit left a part behind";
  EXPECT_TRUE(DumpPrv(p.inst.Db()) == p.after) << "the database work must not suffer from the full log disk";
}

// ------------------------------------------------------------ configuration

TEST(ReliabilityFaults, BrokenConfigurationFailsTheConnectAndTouchesNothing) {
  Prepared p;
  const std::string good = ReadFile(p.inst.IniFile());
  const size_t net8 = good.find(";NET8;");
  ASSERT_NE(net8, std::string::npos);
  std::string flipped = good;
  for (size_t i = net8 + 6; i < flipped.size() && std::isdigit(static_cast<unsigned char>(flipped[i])); i += 7)
    flipped[i] = flipped[i] == '9' ? '0' : static_cast<char>(flipped[i] + 1);
  std::string binary;
  std::mt19937 random(5);
  for (int i = 0; i < 600; ++i) binary += static_cast<char>(random() & 0xFF);

  const struct {
    const char* name;
    std::optional<std::string> content;  // nullopt: no file
  } cases[] = {
      {"missing", std::nullopt},
      {"empty", std::string()},
      {"cut in the NET8 value", good.substr(0, net8 + 6 + 13)},
      {"cut before NET8", good.substr(0, net8 - 4)},
      {"NET8 digits changed", flipped},
      {"random bytes", binary},
      {"line ends only", std::string("\r\n\r\n\r\n\r\n")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    p.inst.ClearLogs();
    fs::remove(p.inst.IniFile());
    if (c.content) WriteFile(p.inst.IniFile(), *c.content);
    p.ExpectCleanExit(p.inst.Run({"A"}));
    const std::vector<std::string> entries = p.inst.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].substr(0, entries[0].rfind('|')), "dbConnect|Connect mit DB fehlgeschlagen");
    EXPECT_LT(std::stol(entries[0].substr(entries[0].rfind('|') + 1)), 0);
    EXPECT_FALSE(fs::exists(p.inst.Msg() / "WrkJobLog.Txt"));
    std::printf("faults: configuration %s: %s\n", c.name, entries[0].c_str());
  }
  EXPECT_TRUE(DumpPrv(p.inst.Db()) == p.before);
  WriteFile(p.inst.IniFile(), good);
  p.ExpectConvergence();
}

}  // namespace
