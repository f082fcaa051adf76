// The benchmark's own proof, run small on the engine under test: zelbench
// bench fails when the floor did not execute the job's statements or did
// not leave the job's download table, so a job or floor that drifts apart
// (or a broken load into PostgreSQL and back) shows here, not first in a
// benchmark run of an hour.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DbClient.h"
#include "TestSupport.h"

namespace zeltest {
namespace {

TEST(BenchRun, TheFloorRunsTheJobsStatementsAndLeavesTheJobsTable) {
  TempDir dir;
  std::vector<std::string> argv{Program("zelbench"), "bench", "--persons", "300", "--runs", "1",
                                "--dir", (dir.path() / "bench").string()};
  if (OnPostgres()) argv.insert(argv.end(), {"--postgres", PgHost()});
  // Through ODBC the jobs also run on the native engine, side by side.
  if (OnOdbc()) argv.insert(argv.end(), {"--odbc", "zelpg"});
  const ProcessResult r = RunProcess(argv, dir.path());
  EXPECT_EQ(r.exitCode, 0) << r.output;
  // Every scenario ran, and both checks held for each.
  for (const char* scenario : {"| U |", "| A, no changes |", "| A, 2 % changed |", "| S |"})
    EXPECT_NE(r.output.find(scenario), std::string::npos) << scenario << "\n" << r.output;
  size_t held = 0;
  for (size_t at = 0; (at = r.output.find("| yes, yes |", at)) != std::string::npos; ++at) ++held;
  EXPECT_EQ(held, 4u) << r.output;
  // Every run compared was measured: one left out shows as a ratio to 0.
  for (const char* missing : {" inf |", "nan |"}) {
    EXPECT_EQ(r.output.find(missing), std::string::npos) << missing << "\n" << r.output;
  }
  if (OnOdbc()) {
    EXPECT_NE(r.output.find("| native on wall s |"), std::string::npos) << r.output;
  }
}

}  // namespace
}  // namespace zeltest
