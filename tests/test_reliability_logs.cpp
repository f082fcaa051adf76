// The two logs under lasting faults, in this process: a message log whose
// access stays denied (to the log or to its old generation) costs the run one
// bounded wait, not one per entry; a job-log line that a full disk cuts off is
// taken back whole, and never together with another writer's line.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <optional>
#include <random>
#include <thread>

#include "LogTestSupport.h"
#include "ReliabilitySupport.h"
#include "TestSupport.h"
#include "log/JobLog.h"
#include "log/MsgLog.h"
#include "platform/AppendFile.h"
#include "platform/FaultInjection.h"

namespace {

using namespace zeltest;

void Write(const char* message) {
  MessageEntry e;
  e.function = "f";
  e.message = message;
  e.kinds = FMSG;
  MsgLog_Write(e);
}

TEST(ReliabilityLogs, LastingDeniedAccessCostsOneBoundedWaitNotOnePerEntry) {
  TempDir dir;
  MsgLog_ResetForTest();
  const std::string log = (dir / "log.txt").string();
  MsgLog_Setup(FMSG, log.c_str());
  MsgLog_SetWaitForTest(5, 1);

  // The first entry meets denied access through its whole budget (one
  // attempt and five waits) and is dropped.
  Plat_InjectFault(PlatFaultPoint::LockedOpen, 6, {PlatFileClass::AccessDenied, EACCES});
  Write("a");
  // Access is now taken as lasting: each of the next entries tries once. Had
  // "b" waited, it would have used up both faults and been written.
  Plat_InjectFault(PlatFaultPoint::LockedOpen, 2, {PlatFileClass::AccessDenied, EACCES});
  Write("b");
  Write("c");
  Write("d");
  // Written again: denied access is waited out as before.
  Plat_InjectFault(PlatFaultPoint::LockedOpen, 3, {PlatFileClass::AccessDenied, EACCES});
  Write("e");
  // Sharing conflicts are always waited out, lasting denial or not.
  Plat_InjectFault(PlatFaultPoint::LockedOpen, 6, {PlatFileClass::AccessDenied, EACCES});
  Write("f");
  Plat_InjectFault(PlatFaultPoint::LockedOpen, 3, {PlatFileClass::SharingConflict, EWOULDBLOCK});
  Write("g");
  Plat_ClearFaults();

  std::vector<std::string> messages;
  const std::string text = ReadFile(log);
  for (size_t pos = 0; (pos = text.find("Message____: ", pos)) != std::string::npos; pos += 13)
    messages.push_back(text.substr(pos + 13, text.find("\r\n", pos) - pos - 13));
  EXPECT_EQ(messages, (std::vector<std::string>{"d", "e", "g"}));
  MsgLog_ResetForTest();
}

// The old generation stays read-only while the log itself can be written:
// every rotation fails, since the rename never replaces the old file. Only
// the first entry past the limit waits its budget (on the delete); the many
// after it try once each and are dropped, until the old file can go.
TEST(ReliabilityLogs, OldGenerationThatCannotBeDeletedCostsOneBoundedWaitNotOnePerEntry) {
  TempDir dir;
  const std::string log = (dir / "log.txt").string();
  WriteFile(dir / "log.old", "older generation\r\n");
  std::optional<Immutable> old;
  old.emplace(dir / "log.old");
  REQUIRE_IMMUTABLE(*old);
  MsgLog_ResetForTest();
  MsgLog_Setup(FMSG, log.c_str());
  MsgLog_SetWaitForTest(5, 1);
  Write("kept");
  const std::string kept = ReadFile(log);

  MsgLog_SetEntryCountForTest(3001);
  for (int i = 0; i < 500; ++i) Write("dropped");
  EXPECT_EQ(MsgLog_WaitCountForTest(), 5);
  EXPECT_EQ(ReadFile(log), kept);
  EXPECT_EQ(ReadFile(dir / "log.old"), "older generation\r\n");

  // Once the old file can be deleted, the next entry rotates and is written.
  old.reset();
  Write("rotated");
  EXPECT_EQ(ReadFile(dir / "log.old"), kept);
  EXPECT_NE(ReadFile(log).find("Message____: rotated\r\n"), std::string::npos);
  EXPECT_EQ(MsgLog_EntryCountForTest(), 1);
  MsgLog_ResetForTest();
}

TEST(ReliabilityLogs, LineThatAFullDiskCutsOffIsTakenBack) {
  TempDir dir;
  fs::create_directories(dir / "Msg");
  ScopedCwd cwd(dir.path());
  WriteFile(dir / "Msg" / "WrkJobLog.Txt", "Datum: 07.12.2026  Uhrzeit: 09:41:07\r\n");
  const std::string before = ReadFile(dir / "Msg" / "WrkJobLog.Txt");
  ChildProcess child([&] {
    // 60 more bytes fit: the first line only in part, the next ones whole.
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{before.size() + 60, before.size() + 60};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    JobLog log;
    if (!log.Open()) return 2;
    log.Write("PNR: 10000001 AWN: 30000001  DnlKng: NEU(1) Info: Ausweiszuordnung beginnt!\n");
    log.Write("Pnr: 10000002 mit 2. gültiger Awn-Nr: 3 !\n");
    log.Write("\n");
    return 0;
  });
  ASSERT_TRUE(child.started());
  ASSERT_EQ(child.Wait(), 0);
  EXPECT_EQ(ReadFile(dir / "Msg" / "WrkJobLog.Txt"), before + "Pnr: 10000002 mit 2. gültiger Awn-Nr: 3 !\r\n\r\n");
}

// Two runs append to the job log; the disk stops one of them part-way
// through a line. While it takes its part back, the other run's line must
// wait: a line appended between the take-back's check and its cut would be
// cut with it. The hook holds the take-back in that window until the other
// writer's line is written or half a second has passed; what is checked does
// not depend on that time, only whether the window can be hit.
int gCutting[2], gOtherDone[2];

void HoldTakeBackForTheOtherWriter() {
  (void)!::write(gCutting[1], "c", 1);
  pollfd done{gOtherDone[0], POLLIN, 0};
  ::poll(&done, 1, 500);
}

TEST(ReliabilityLogs, TakingBackACutLineNeverCutsAnotherWritersLine) {
  TempDir dir;
  const std::string path = dir.str() + "\\WrkJobLog.Txt";
  const std::string header = "Datum: 07.12.2026  Uhrzeit: 09:41:07\r\n";
  WriteFile(dir / "WrkJobLog.Txt", header);
  ASSERT_EQ(::pipe(gCutting), 0);
  ASSERT_EQ(::pipe(gOtherDone), 0);
  ChildProcess child([&] {
    // 20 more bytes fit: the line only in part.
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{header.size() + 20, header.size() + 20};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    Plat_SetBeforeTakeBackForTest(HoldTakeBackForTheOtherWriter);
    JobLog log;
    if (!log.Open(path)) return 2;
    log.Write("PNR: 10000001 AWN: 30000001  DnlKng: NEU(1) Info: Ausweiszuordnung beginnt!\n");
    return 0;
  });
  ASSERT_TRUE(child.started());
  ::close(gCutting[1]);
  char c = 0;
  const bool cutting = ::read(gCutting[0], &c, 1) == 1;  // EOF: the child ended without a take-back
  JobLog other;
  ASSERT_TRUE(other.Open(path));
  other.Write("Pnr: 10000002 mit 2. gültiger Awn-Nr: 3 !\n");
  (void)!::write(gOtherDone[1], "d", 1);
  const int exitCode = child.Wait();
  for (const int fd : {gCutting[0], gOtherDone[0], gOtherDone[1]}) ::close(fd);
  ASSERT_EQ(exitCode, 0);
  EXPECT_TRUE(cutting);
  EXPECT_EQ(ReadFile(dir / "WrkJobLog.Txt"), header + "Pnr: 10000002 mit 2. gültiger Awn-Nr: 3 !\r\n");
}

// Writers of both logs killed at random points: what they leave is whole
// entries and whole lines, and nothing written before a kill goes missing.
TEST(ReliabilityLogs, WritersKilledAtRandomPointsLeaveWholeEntriesAndLines) {
  TempDir dir;
  fs::create_directories(dir / "Msg");
  ScopedCwd cwd(dir.path());
  std::mt19937 random(std::random_device{}());
  constexpr int kKills = 40;
  for (int k = 0; k < kKills; ++k) {
    ChildProcess child([]() -> int {
      MsgLog_ResetForTest();
      MsgLog_Setup(FMSG | SMSG | DMSG, ".\\Msg\\ZelWrkJob.txt");
      JobLog log;
      log.Open();
      for (int i = 0;; ++i) {
        MessageEntry e;
        e.function = "Prv_PKeyUpd";
        e.message = "Update des PRV-Satzes fehlgeschlagen";
        e.kinds = i % 3 == 0 ? FMSG | SMSG : FMSG;
        e.code = i;
        MsgLog_Write(e);
        log.Write("PNR: 10000001 AWN: 30000001  DnlKng: NEU(1) Info: Ausweiszuordnung beginnt!\n");
      }
    });
    ASSERT_TRUE(child.started());
    std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(500, 20000)(random)));
    ASSERT_TRUE(child.Kill());
  }
  std::string defect;
  const std::vector<LogEntry> entries = ParseMessageLog(ReadFile(dir / "Msg" / "ZelWrkJob.txt"), defect);
  EXPECT_EQ(defect, "");
  EXPECT_GT(entries.size(), 0u);
  EXPECT_EQ(JobLogDefect(ReadFile(dir / "Msg" / "WrkJobLog.Txt")), "");
  // Each writer numbered its entries from 0: every run's numbers follow on
  // without a gap until its kill. A writer that lived long enough rotated
  // the log after its 3001st entry of the run, so a file may also begin in
  // the middle of a run, and the old generation then ends on the entry just
  // before it.
  const auto runsOf = [](const std::vector<LogEntry>& file) {
    int expected = -1, runs = 0;
    for (const LogEntry& e : file) {
      const int code = std::stoi(e.code);
      if (code == 0) {
        ++runs;
      } else if (expected < 0) {
        EXPECT_GT(code, 3000) << "a file that does not begin a run begins after a rotation";
      } else {
        EXPECT_EQ(code, expected);
      }
      expected = code + 1;
    }
    return runs;
  };
  int runs = runsOf(entries);
  const fs::path old = dir / "Msg" / "ZelWrkJob.old";
  if (fs::exists(old)) {
    const std::vector<LogEntry> before = ParseMessageLog(ReadFile(old), defect);
    EXPECT_EQ(defect, "");
    ASSERT_FALSE(before.empty());
    runs += runsOf(before);
    // (A writer killed between the rename and its entry leaves the next
    // writer to begin the file with a new run.)
    const int first = std::stoi(entries.front().code);
    if (first != 0) {
      EXPECT_EQ(std::stoi(before.back().code) + 1, first) << "the file goes on where the old one ends";
    }
  }
  std::printf("logs: %d writers killed, %zu whole entries, %d runs\n", kKills, entries.size(), runs);
}

}  // namespace
