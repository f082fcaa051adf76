// Job log: CR LF line ends, appending across openings, and writers that
// append to the same file at the same time.
#include <gtest/gtest.h>

#include <string>

#ifndef _WIN32
#include "ChildProcess.h"
#endif
#include "LogTestSupport.h"
#include "TestSupport.h"
#include "log/JobLog.h"

namespace {

using namespace zeltest;

TEST(JobLogTest, SectionsAppendWithCrLfLines) {
  TempDir dir;
  ScopedCwd cwd(dir.path());
  fs::create_directories(dir / "Msg");
  WriteFile(dir / "Msg/WrkJobLog.Txt", "earlier run\r\n");
  for (int run = 0; run < 2; ++run) {
    JobLog log;
    ASSERT_TRUE(log.Open());
    log.Write("Datum: 07.12.2026  Uhrzeit: 09:41:07\n");
    if (run == 0) log.Write("two\nlines\n");
    log.Write("\n");
  }  // the destructor closes
  EXPECT_EQ(ReadFile(dir / "Msg/WrkJobLog.Txt"),
            "earlier run\r\n"
            "Datum: 07.12.2026  Uhrzeit: 09:41:07\r\ntwo\r\nlines\r\n\r\n"
            "Datum: 07.12.2026  Uhrzeit: 09:41:07\r\n\r\n");
}

// A writer killed while its line was copied into the file leaves the line's
// first part; the next writer cuts it off so that its own line starts a line.
TEST(JobLogTest, LineLeftUnfinishedByAKilledWriterIsCutOffByTheNext) {
  TempDir dir;
  ScopedCwd cwd(dir.path());
  fs::create_directories(dir / "Msg");
  const struct {
    std::string before, kept;
  } cases[] = {
      {"Datum: 07.12.2026  Uhrzeit: 09:41:07\r\nPNR: 100", "Datum: 07.12.2026  Uhrzeit: 09:41:07\r\n"},
      {"Datum: 07.12.2026  Uhrzeit: 09:41:07\r\nPNR: 10000001\r", "Datum: 07.12.2026  Uhrzeit: 09:41:07\r\n"},
      {"Datum: 07.12", ""},
      {"whole\r\n", "whole\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before);
    WriteFile(dir / "Msg/WrkJobLog.Txt", c.before);
    JobLog log;
    ASSERT_TRUE(log.Open());
    log.Write("Pnr: 10000002 mit 2. gültiger Awn-Nr: 3 !\n");
    log.Close();
    EXPECT_EQ(ReadFile(dir / "Msg/WrkJobLog.Txt"), c.kept + "Pnr: 10000002 mit 2. gültiger Awn-Nr: 3 !\r\n");
  }
}

TEST(JobLogTest, WithoutDirectoryEveryWriteIsSkipped) {
  TempDir dir;
  ScopedCwd cwd(dir.path());
  JobLog log;
  EXPECT_FALSE(log.Open());
  EXPECT_FALSE(log.IsOpen());
  log.Write("line\n");
  log.Close();
  log.Close();
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

#ifndef _WIN32
// Linux only: the second writer is a forked copy of this process.
TEST(JobLogTest, ConcurrentWritersKeepTheirLinesWhole) {
  TempDir dir;
  const std::string path = dir.str() + "\\WrkJobLog.Txt";
  constexpr int kLines = 300;
  // Both files are open at once, as with two overlapping runs.
  JobLog parentLog;
  ASSERT_TRUE(parentLog.Open(path));
  ChildProcess child([&] {
    JobLog childLog;
    if (!childLog.Open(path)) return 1;
    for (int i = 0; i < kLines; ++i) childLog.Write("child line " + std::to_string(i) + "\n");
    return 0;
  });
  ASSERT_TRUE(child.started());
  for (int i = 0; i < kLines; ++i) parentLog.Write("parent line " + std::to_string(i) + "\n");
  ASSERT_EQ(child.Wait(), 0);
  parentLog.Close();

  int child_next = 0, parent_next = 0;
  std::istringstream in(ReadFile(dir / "WrkJobLog.Txt"));
  std::string line;
  while (std::getline(in, line)) {
    if (line == "child line " + std::to_string(child_next) + "\r") {
      ++child_next;
    } else {
      ASSERT_EQ(line, "parent line " + std::to_string(parent_next) + "\r");
      ++parent_next;
    }
  }
  EXPECT_EQ(child_next, kLines);
  EXPECT_EQ(parent_next, kLines);
}

#endif

}  // namespace
