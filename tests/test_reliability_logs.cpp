// The two logs under lasting faults, in this process: a message log whose
// access stays denied costs the run one bounded wait, not one per entry; a
// job-log line that a full disk cuts off is taken back whole.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "LogTestSupport.h"
#include "TestSupport.h"
#include "log/JobLog.h"
#include "log/MsgLog.h"
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

TEST(ReliabilityLogs, LineThatAFullDiskCutsOffIsTakenBack) {
  TempDir dir;
  fs::create_directories(dir / "Msg");
  ScopedCwd cwd(dir.path());
  WriteFile(dir / "Msg" / "WrkJobLog.Txt", "Datum: 07.12.2026  Uhrzeit: 09:41:07\r\n");
  const std::string before = ReadFile(dir / "Msg" / "WrkJobLog.Txt");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // 60 more bytes fit: the first line only in part, the next ones whole.
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{before.size() + 60, before.size() + 60};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    JobLog log;
    if (!log.Open()) ::_exit(2);
    log.Write("PNR: 10000001 AWN: 30000001  DnlKng: NEU(1) Info: Ausweiszuordnung beginnt!\n");
    log.Write("Pnr: 10000002 mit 2. gültiger Awn-Nr: 3 !\n");
    log.Write("\n");
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(ReadFile(dir / "Msg" / "WrkJobLog.Txt"), before + "Pnr: 10000002 mit 2. gültiger Awn-Nr: 3 !\r\n\r\n");
}

}  // namespace
