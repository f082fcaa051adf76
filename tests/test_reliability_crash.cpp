// zelwrkjob killed with SIGKILL at random points of U and A runs on a large
// generated database: every download row is always whole (as before, or as
// after one of its own updates), the logs hold only whole lines and entries,
// and a rerun ends in exactly the table an uninterrupted run gives.
//
// The figures come from the environment, so that scripts/crashtest runs the
// long version of the same test: ZEL_CRASH_PERSONS (10000), ZEL_CRASH_KILLS
// per job letter that hit a run in the middle of its work (15), at most
// ZEL_CRASH_CHAIN kills in a row before a rerun (3), ZEL_CRASH_SEED (random;
// printed, so a failure can be repeated).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "ReliabilitySupport.h"
#include "jobs/AssignmentUpdateJob.h"
#include "jobs/FullCheckJob.h"

namespace {

using namespace zeltest;

// Whether the person's row is the same in both dumps (absent in both counts).
bool SameRow(const std::string& pnr, const PrvDump& a, const PrvDump& b) {
  const auto x = a.find(pnr), y = b.find(pnr);
  if (x == a.end() || y == b.end()) return x == a.end() && y == b.end();
  return x->second == y->second;
}

// The whole states a row may be in after a kill: absent or equal to the row
// of one of `states`.
bool RowAllowed(const std::string& pnr, const PrvDump& now, const std::vector<PrvDump>& states) {
  for (const PrvDump& s : states)
    if (SameRow(pnr, now, s)) return true;
  return false;
}

struct Figures {
  long kills = 0;          // processes killed
  long midRun = 0;         // kills that left the table between before and after
  long beforeFirstChange = 0;  // kills before the run changed any row
  long afterLastChange = 0;    // kills after the last row was stored (closing steps)
  long endedFirst = 0;     // runs that ended before their kill came
  long rowsCompared = 0;   // rows checked against their allowed states
  long reruns = 0;         // reruns compared with the uninterrupted run
};

void KillAtRandomPoints(char letter) {
  const long persons = EnvNumber("ZEL_CRASH_PERSONS", 10000);
  const long kills = EnvNumber("ZEL_CRASH_KILLS", 15);
  const long chain = std::max(1L, EnvNumber("ZEL_CRASH_CHAIN", 3));
  const long seed = EnvNumber("ZEL_CRASH_SEED", static_cast<long>(std::random_device{}() & 0x7fffffff));
  SCOPED_TRACE("ZEL_CRASH_SEED=" + std::to_string(seed));
  std::mt19937 random(static_cast<unsigned>(seed));

  // The installation lies on tmpfs where there is one. A killed process
  // loses nothing that it handed to the system (the page cache keeps it), so
  // the disk's syncs, one per stored row, would add minutes and nothing to
  // what the test shows. (A power loss is not what this test simulates.)
  if (fs::is_directory("/dev/shm")) ::setenv("TMPDIR", "/dev/shm", 1);
  ReliabilityInstallation inst;
  ASSERT_NO_FATAL_FAILURE(inst.Prepare(static_cast<int>(persons), 7, 40, 5));
  const std::string job(1, letter);

  // The states a row can be in. A: before, after the full check. U: also
  // after the update phase, from the table before and from the table after
  // the full check (a rerun's update phase passes over rows that an earlier,
  // killed run already checked).
  std::vector<PrvDump> states;
  inst.Restore();
  const PrvDump before = DumpPrv(inst.Db());
  states.push_back(before);
  if (letter == 'U') {
    ASSERT_NO_FATAL_FAILURE(InProcess(inst, AssignmentUpdateJob));
    states.push_back(DumpPrv(inst.Db()));
  }
  inst.Restore();
  const Ended reference = inst.Run({job});
  ASSERT_TRUE(reference.exited && reference.exitCode == 0);
  const PrvDump after = DumpPrv(inst.Db());
  states.push_back(after);
  EXPECT_EQ(inst.Entries(), std::vector<std::string>{});
  ASSERT_EQ(JobLogDefect(inst.JobLogText()), "");
  if (letter == 'U') {
    ASSERT_NO_FATAL_FAILURE(InProcess(inst, AssignmentUpdateJob));
    states.push_back(DumpPrv(inst.Db()));
  }

  long changedByRun = 0;
  for (const auto& [pnr, row] : after) changedByRun += before.count(pnr) == 0 || before.at(pnr) != row;
  ASSERT_GT(changedByRun, persons / 10) << "the prepared data gives the job too little to do";

  Figures f;
  auto runLength = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::duration<double>(reference.seconds));
  // Kills go on until `kills` of them have hit a run in the middle of its
  // work (some rows changed, some still to be stored); kills that come
  // before the first change or after the last one are counted beside them.
  const long attemptsAllowed = 4 * kills;
  long attempts = 0;
  while (f.midRun < kills && attempts < attemptsAllowed) {
    inst.Restore();
    double remaining = 1.0;
    for (long k = 0; k < chain && f.midRun < kills && attempts < attemptsAllowed; ++k) {
      ++attempts;
      // A run after a kill finds part of its work done and ends sooner: the
      // kills aim at the time the remaining work takes.
      std::uniform_int_distribution<long> at(0, static_cast<long>(runLength.count() * remaining));
      const auto delay = std::chrono::microseconds(at(random));
      const Ended e = KillAfter(inst.Start({job}), delay);
      SCOPED_TRACE("kill " + std::to_string(attempts) + " after " + std::to_string(delay.count()) + " us");
      if (e.exited) {
        ++f.endedFirst;
        EXPECT_EQ(e.exitCode, 0);
        // The reference run was slower than runs are now (a busy machine):
        // aim earlier.
        runLength = runLength * 9 / 10;
      } else {
        ++f.kills;
        EXPECT_TRUE(e.killed);
      }

      const PrvDump now = DumpPrv(inst.Db());
      long moved = 0, finished = 0, pending = 0;
      std::map<std::string, bool> keys;
      for (const PrvDump* d : {&now, &before, &after}) for (const auto& kv : *d) keys[kv.first] = true;
      for (const auto& kv : keys) {
        ++f.rowsCompared;
        if (!RowAllowed(kv.first, now, states)) {
          ADD_FAILURE() << "row " << kv.first << " is in no whole state: "
                        << (now.count(kv.first) ? now.at(kv.first) : "<absent>");
          continue;
        }
        const bool isBefore = SameRow(kv.first, now, before);
        const bool isAfter = SameRow(kv.first, now, after);
        moved += !isBefore;              // touched by a run (U: perhaps only by its update phase)
        finished += isAfter && !isBefore;
        pending += !isAfter;
      }
      if (!e.exited) {
        if (moved > 0 && pending > 0) ++f.midRun;
        else if (moved == 0) ++f.beforeFirstChange;
        else ++f.afterLastChange;
      }
      remaining = std::clamp(1.0 - static_cast<double>(finished) / static_cast<double>(changedByRun), 0.1, 1.0);
      EXPECT_EQ(JobLogDefect(inst.JobLogText()), "");
      EXPECT_EQ(inst.Entries(), std::vector<std::string>{});
      if (pending == 0) break;  // nothing left for a further kill of this sequence
    }
    const Ended rerun = inst.Run({job});
    EXPECT_TRUE(rerun.exited && rerun.exitCode == 0);
    EXPECT_FALSE(rerun.hung);
    ++f.reruns;
    const PrvDump rerunTable = DumpPrv(inst.Db());
    f.rowsCompared += static_cast<long>(rerunTable.size());
    long differing = 0;
    for (const auto& [pnr, row] : after) differing += rerunTable.count(pnr) == 0 || rerunTable.at(pnr) != row;
    EXPECT_EQ(rerunTable.size(), after.size());
    EXPECT_EQ(differing, 0) << "the rerun did not end where an uninterrupted run ends";
    EXPECT_EQ(JobLogDefect(inst.JobLogText()), "");
    EXPECT_EQ(inst.Entries(), std::vector<std::string>{});
  }

  std::printf("crashtest: engine=%s job=%c persons=%ld rows-changed-by-a-run=%ld run-seconds=%.2f kills=%ld "
              "mid-run=%ld before-first-change=%ld after-last-change=%ld ended-before-kill=%ld rows-compared=%ld "
              "reruns=%ld seed=%ld\n",
              OnPostgres() ? "postgres" : "sqlite", letter, persons, changedByRun, reference.seconds, f.kills,
              f.midRun, f.beforeFirstChange, f.afterLastChange, f.endedFirst, f.rowsCompared, f.reruns, seed);
  EXPECT_EQ(f.midRun, kills) << "too few kills landed in the middle of a run";
}

TEST(ReliabilityCrash, UpdateRunKilledAtRandomPoints) { KillAtRandomPoints('U'); }

TEST(ReliabilityCrash, FullCheckKilledAtRandomPoints) { KillAtRandomPoints('A'); }

}  // namespace
