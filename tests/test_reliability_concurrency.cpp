// Runs that meet on one database and one message log: two full checks at
// once, single assignments while a full check runs, an update run while
// another program reads the table, and many writers of the message log across
// its rotation. Nothing may be lost, torn or mixed up, every conflict must
// show as a failure entry, no run may hang, and a later run converges.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <set>
#include <thread>

#include "DbTestSupport.h"
#include "ReliabilitySupport.h"
#include "jobs/AssignmentUpdateJob.h"
#include "log/MsgLog.h"

namespace {

using namespace zeltest;

constexpr int kPersons = 3000;

// The failure entries a conflict between two runs may leave: a store or an
// insert that met the other run's lock beyond the engine's bounded wait.
bool IsConflictEntry(const std::string& entry) {
  return entry == "Prv_PKeyUpd|Update des PRV-Satzes fehlgeschlagen|-54" ||
         entry == "Prv_PKeyUpd()|Prv_PKeyUpd fehlgeschlagen|-54" ||
         entry == "Prv_PKeyIns()|Prv_PKeyIns fehlgeschlagen|-54";
}

// Rows that do not belong to their person: a badge number that was never
// assigned to the person, or a name that is neither the person's name now
// nor the row's name before.
std::vector<std::string> MixedUpRows(ReliabilityInstallation& inst, const PrvDump& before) {
  std::map<std::string, std::set<std::string>> badges;
  for (const std::string& r : inst.Db().Rows("select AswPnr, AswNum from Mvs301Asw")) {
    const size_t bar = r.find('|');
    badges[r.substr(0, bar)].insert(r.substr(bar + 1));
  }
  std::map<std::string, std::string> names;
  for (const std::string& r : inst.Db().Rows("select PnrNum, PnrNam from Mvs300Pnr")) {
    const size_t bar = r.find('|');
    names[r.substr(0, bar)] = r.substr(bar + 1);
  }
  std::map<std::string, std::string> namesBefore;
  for (const std::string& r : inst.Db().Rows("select PrvPnr, PrvNam from zel_prv_before")) {
    const size_t bar = r.find('|');
    namesBefore[r.substr(0, bar)] = r.substr(bar + 1);
  }
  std::vector<std::string> wrong;
  for (const std::string& r : inst.Db().Rows("select PrvPnr, coalesce(PrvAwn,''), coalesce(PrvNam,'') from Mvs510Prv")) {
    const std::vector<std::string> f = [&] {
      std::vector<std::string> parts;
      size_t pos = 0;
      for (int i = 0; i < 2; ++i) {
        const size_t bar = r.find('|', pos);
        parts.push_back(r.substr(pos, bar - pos));
        pos = bar + 1;
      }
      parts.push_back(r.substr(pos));
      return parts;
    }();
    const bool badgeOk = f[1].empty() || badges[f[0]].count(f[1]) == 1;
    const bool nameOk = f[2] == names[f[0]] || (namesBefore.count(f[0]) && f[2] == namesBefore[f[0]]);
    if (!badgeOk || !nameOk) wrong.push_back(r);
  }
  (void)before;
  return wrong;
}

// Checks what every concurrent scenario promises, and that one more run
// brings the table to `expected`.
void ExpectConvergence(ReliabilityInstallation& inst, const PrvDump& before, const PrvDump& expected,
                       const std::string& job = "A") {
  EXPECT_EQ(MixedUpRows(inst, before), std::vector<std::string>{});
  for (const std::string& e : inst.Entries()) EXPECT_TRUE(IsConflictEntry(e)) << e;
  EXPECT_EQ(JobLogDefect(inst.JobLogText()), "");
  const size_t entriesBefore = inst.Entries().size();
  const Ended later = inst.Run({job});
  EXPECT_TRUE(later.exited && later.exitCode == 0);
  EXPECT_EQ(inst.Entries().size(), entriesBefore) << "the later run met a conflict of its own";
  const PrvDump now = DumpPrv(inst.Db());
  long differing = 0;
  for (const auto& [pnr, row] : expected) differing += now.count(pnr) == 0 || now.at(pnr) != row;
  EXPECT_EQ(now.size(), expected.size());
  EXPECT_EQ(differing, 0) << "a later run did not converge";
}

TEST(ReliabilityConcurrency, TwoFullChecksAtOnce) {
  ReliabilityInstallation inst;
  ASSERT_NO_FATAL_FAILURE(inst.Prepare(kPersons, 11, 40, 0));
  const PrvDump before = DumpPrv(inst.Db());
  ASSERT_EQ(inst.Run({"A"}).exitCode, 0);
  const PrvDump after = DumpPrv(inst.Db());

  long pairs = 0, conflicts = 0;
  for (int round = 0; round < 3; ++round) {
    inst.Restore();
    Child first = inst.Start({"A"});
    Child second = inst.Start({"A"});
    const Ended a = WaitChild(first), b = WaitChild(second);
    ++pairs;
    EXPECT_FALSE(a.hung || b.hung);
    EXPECT_TRUE(a.exited && a.exitCode == 0 && b.exited && b.exitCode == 0);
    const std::vector<std::string> entries = inst.Entries();
    conflicts += static_cast<long>(entries.size());
    // Both runs compute the same rows from the same master data: unless a
    // conflict stopped both, the table is the one run's table already.
    const PrvDump now = DumpPrv(inst.Db());
    if (entries.size() < 2) {
      EXPECT_TRUE(now == after) << "two full checks left a table that neither leaves";
    }
    for (const auto& [pnr, row] : now)
      EXPECT_TRUE((before.count(pnr) && before.at(pnr) == row) || (after.count(pnr) && after.at(pnr) == row))
          << pnr << ": " << row;
    ExpectConvergence(inst, before, after);
  }
  std::printf("concurrency: engine=%s two-A pairs=%ld rows=%zu conflict-entries=%ld\n",
              OnPostgres() ? "postgres" : "sqlite", pairs, after.size(), conflicts);
}

TEST(ReliabilityConcurrency, SingleAssignmentsWhileAFullCheckRuns) {
  ReliabilityInstallation inst;
  ASSERT_NO_FATAL_FAILURE(inst.Prepare(kPersons, 13, 40, 3));
  const PrvDump before = DumpPrv(inst.Db());
  // Assignments that begin today (a new badge) and current assignments of
  // persons without a download row (the single assignment inserts it).
  const std::string today = StoredDay(0).substr(0, 10);
  std::vector<std::string> assignments = inst.Db().Rows(
      "select AswNum, replace(substr(AswGvo,1,10),'-','') from Mvs301Asw where substr(AswGvo,1,10) = '" + today +
      "' order by AswNum limit 12");
  for (const std::string& r : inst.Db().Rows(
           "select AswNum, replace(substr(AswGvo,1,10),'-','') from Mvs301Asw a where AswGbi is null and not exists "
           "(select 1 from Mvs510Prv where PrvPnr = a.AswPnr) order by AswNum limit 8"))
    assignments.push_back(r);
  ASSERT_GE(assignments.size(), 10u);
  // The persons of the new badges also have a new name: the full check then
  // stores their rows for the name, the single assignment for the badge, and
  // each writes the whole row as it read it.
  std::string badges;
  for (const std::string& a : assignments) badges += (badges.empty() ? "'" : ",'") + a.substr(0, a.find('|')) + "'";
  inst.Db().Exec("update Mvs300Pnr set PnrNam = 'Neu, ' || PnrNam where PnrNum in (select AswPnr from Mvs301Asw "
                 "where AswNum in (" + badges + ") and substr(AswGvo,1,10) = '" + today + "')");
  auto runSingles = [&] {
    for (const std::string& a : assignments) {
      const Ended s = inst.Run({"S", a.substr(0, a.find('|')), a.substr(a.find('|') + 1)});
      EXPECT_TRUE(s.exited && s.exitCode == 0) << a;
    }
  };

  // One after the other: the full check, the single assignments, a full check.
  ASSERT_EQ(inst.Run({"A"}).exitCode, 0);
  runSingles();
  ASSERT_EQ(inst.Run({"A"}).exitCode, 0);
  const PrvDump sequential = DumpPrv(inst.Db());
  ASSERT_EQ(inst.Entries(), std::vector<std::string>{});

  inst.Restore();
  Child full = inst.Start({"A"});
  runSingles();
  const Ended a = WaitChild(full);
  EXPECT_FALSE(a.hung);
  EXPECT_TRUE(a.exited && a.exitCode == 0);
  // Every person whose assignment the single runs handled has a row now.
  for (const std::string& r : assignments) {
    const std::string badge = r.substr(0, r.find('|'));
    EXPECT_EQ(inst.Db().Value("select count(*) from Mvs510Prv p, Mvs301Asw s where s.AswNum = '" + badge +
                              "' and p.PrvPnr = s.AswPnr"),
              "1")
        << badge;
  }
  // A row that one run stored from an older reading of it loses the other
  // run's change until the next full check: count such rows before it.
  const std::string staleNames = inst.Db().Value(
      "select count(*) from Mvs510Prv, Mvs300Pnr where PnrNum = PrvPnr and PnrNam like 'Neu, %' and "
      "coalesce(PrvNam,'') <> PnrNam");
  ExpectConvergence(inst, before, sequential);
  std::printf("concurrency: engine=%s single-assignment runs during A=%zu conflict-entries=%zu "
              "names-overwritten-until-the-next-run=%s\n",
              OnPostgres() ? "postgres" : "sqlite", assignments.size(), inst.Entries().size(), staleNames.c_str());
}

TEST(ReliabilityConcurrency, UpdateRunWhileAnotherProgramReadsTheTable) {
  ReliabilityInstallation inst;
  ASSERT_NO_FATAL_FAILURE(inst.Prepare(kPersons, 17, 40, 5));
  const PrvDump before = DumpPrv(inst.Db());
  ASSERT_NO_FATAL_FAILURE(InProcess(inst, AssignmentUpdateJob));
  const PrvDump mid = DumpPrv(inst.Db());
  inst.Restore();
  ASSERT_EQ(inst.Run({"U"}).exitCode, 0);
  const PrvDump after = DumpPrv(inst.Db());
  inst.Restore();

  // The reader takes the whole table in one read transaction again and
  // again, as a download program would, while the U run stores its rows.
  std::atomic<bool> stop{false};
  std::atomic<long> reads{0}, torn{0};
  std::thread reader([&] {
    DbClient db(inst.Target());
    while (!stop) {
      db.Exec(OnPostgres() ? "begin isolation level repeatable read" : "begin");
      const PrvDump seen = DumpPrv(db);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      db.Exec("commit");
      for (const auto& [pnr, row] : seen) {
        bool whole = false;
        for (const PrvDump* s : {&before, &mid, &after}) whole = whole || (s->count(pnr) && s->at(pnr) == row);
        torn += !whole;
      }
      ++reads;
    }
  });
  const Ended u = inst.Run({"U"});
  stop = true;
  reader.join();
  EXPECT_FALSE(u.hung);
  EXPECT_TRUE(u.exited && u.exitCode == 0);
  EXPECT_EQ(torn, 0);
  EXPECT_GE(reads, 1);
  // Readers never hold up a writer on either engine: no conflict at all.
  EXPECT_EQ(inst.Entries(), std::vector<std::string>{});
  EXPECT_TRUE(DumpPrv(inst.Db()) == after);
  EXPECT_EQ(JobLogDefect(inst.JobLogText()), "");
  std::printf("concurrency: engine=%s U with a reader: table reads=%ld rows per read=%zu torn=%ld\n",
              OnPostgres() ? "postgres" : "sqlite", reads.load(), after.size(), torn.load());
}

// Several processes write the one message log at once; one of them passes its
// rotation limit meanwhile and moves the log to the old generation. Every
// entry must be found whole, once, in the log or its old generation.
TEST(ReliabilityConcurrency, ManyWritersOfTheMessageLogAcrossARotation) {
  TempDir dir;
  fs::create_directories(dir / "Msg");
  constexpr int kWriters = 6;
  constexpr int kEntries = 300;
  const std::string log = (dir / "Msg" / "ZelWrkJob.txt").string();
  std::vector<ChildProcess> children;
  for (int w = 0; w < kWriters; ++w) {
    children.emplace_back([&] {
      MsgLog_ResetForTest();
      MsgLog_Setup(FMSG | SMSG | DMSG, log.c_str());
      // A short sleep between attempts keeps the test quick; the budget of
      // waiting stays about as long as the program's.
      MsgLog_SetWaitForTest(30000, 1);
      if (w == 0) MsgLog_SetEntryCountForTest(2990);  // rotates after 11 entries
      const std::string function = "Schreiber" + std::to_string(w);
      for (int i = 0; i < kEntries; ++i) {
        MessageEntry e;
        e.function = function.c_str();
        e.message = "Eintrag eines von mehreren Prozessen";
        e.kinds = FMSG;
        e.code = i;
        MsgLog_Write(e);
      }
      return w == 0 && MsgLog_EntryCountForTest() != kEntries - 11 ? 3 : 0;
    });
  }
  for (ChildProcess& child : children) {
    ASSERT_TRUE(child.started());
    EXPECT_EQ(child.Wait(), 0) << "the rotating writer did not rotate once";
  }

  std::multiset<std::string> found;
  for (const char* name : {"ZelWrkJob.txt", "ZelWrkJob.old"}) {
    std::string defect;
    for (const LogEntry& e : ParseMessageLog(ReadFile(dir / "Msg" / name), defect)) found.insert(e.function + "|" + e.code);
    EXPECT_EQ(defect, "") << name;
  }
  EXPECT_TRUE(fs::exists(dir / "Msg" / "ZelWrkJob.old"));
  std::set<std::string> missingOrTwice;
  for (int w = 0; w < kWriters; ++w)
    for (int i = 0; i < kEntries; ++i) {
      const std::string key = "Schreiber" + std::to_string(w) + "|" + std::to_string(i);
      if (found.count(key) != 1) missingOrTwice.insert(key);
    }
  EXPECT_EQ(found.size(), static_cast<size_t>(kWriters * kEntries));
  EXPECT_EQ(missingOrTwice, std::set<std::string>{});
  std::printf("concurrency: message log writers=%d entries=%d found=%zu\n", kWriters, kWriters * kEntries,
              found.size());
}

}  // namespace
