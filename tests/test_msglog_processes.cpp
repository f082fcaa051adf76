// Several zelwrkjob processes writing to one message log at once, and
// waiting for a process that holds it: the entry's open meets another
// writer's (a sharing violation on Windows, the lock on Linux) and is
// retried after 333 ms. Real processes, so that this runs on both systems.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "LogTestSupport.h"
#include "TestSupport.h"
#include "platform/LockedFile.h"
#include "tools/platform/ChildProgram.h"

namespace {

using namespace zeltest;

// The one entry of zelwrkjob without an argument.
const std::string kNoArgument = "main|Mindestanzahl Parameter = 2|1";

std::vector<PlatProcess> StartJobs(const TempDir& dir, int count) {
  std::vector<PlatProcess> jobs;
  for (int i = 0; i < count; ++i) jobs.push_back(PlatProcess::Start({{Program("zelwrkjob")}, dir.str(), "", PlatOutput::Discard, ""}));
  return jobs;
}

// Each entry is as long as the others (its date and time have a fixed
// width), so a torn or interleaved one shows in the length too.
void ExpectWholeEntries(const std::string& log, int count) {
  EXPECT_EQ(EntriesOf(log), std::vector<std::string>(count, kNoArgument));
  const std::size_t first = log.find('\xFE', 1);
  ASSERT_EQ(log[0], '\xFE');
  const std::size_t each = first == std::string::npos ? log.size() : first;
  EXPECT_EQ(log.size(), each * count) << log;
}

TEST(MsgLogProcesses, WritersStartedAtOnceLoseAndTearNothing) {
  TempDir dir;
  fs::create_directories(dir / "Msg");
  constexpr int kJobs = 8;
  std::vector<PlatProcess> jobs = StartJobs(dir, kJobs);
  for (PlatProcess& job : jobs) {
    const PlatExit e = job.Wait();
    EXPECT_TRUE(e.exited);
    EXPECT_EQ(e.exitCode, 0);
  }
  ExpectWholeEntries(ReadFile(dir / "Msg" / "ZelWrkJob.txt"), kJobs);
}

// While this process holds the log, the writers wait (in steps of 333 ms)
// instead of dropping their entry; once it lets go, each writes its entry.
TEST(MsgLogProcesses, WritersWaitForAProcessHoldingTheLog) {
  TempDir dir;
  fs::create_directories(dir / "Msg");
  int held = -1;
  ASSERT_TRUE(Plat_LockedOpen(dir.str() + "\\Msg\\ZelWrkJob.txt", held).ok());
  constexpr int kJobs = 3;
  std::vector<PlatProcess> jobs = StartJobs(dir, kJobs);
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
  for (PlatProcess& job : jobs) EXPECT_FALSE(job.WaitUntil(until).has_value()) << "a writer did not wait";
  ASSERT_TRUE(Plat_LockedClose(held).ok());
  for (PlatProcess& job : jobs) {
    const PlatExit e = job.Wait();
    EXPECT_TRUE(e.exited);
    EXPECT_EQ(e.exitCode, 0);
  }
  ExpectWholeEntries(ReadFile(dir / "Msg" / "ZelWrkJob.txt"), kJobs);
}

}  // namespace
