// Message log: entry layout byte for byte, the mask, rotation, waiting on a
// file held by another process, and two processes writing one log.
#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>

#include "ChildProcess.h"
#endif
#include "LogTestSupport.h"
#include "TestSupport.h"
#include "log/MsgLog.h"
#include "platform/FaultInjection.h"

namespace {

using namespace zeltest;

const std::string kExampleEntry =
    "\xFE\r\n"
    "System-Date: 07.12.26\r\n"
    "System-Time: 09:41:07\r\n"
    "MsgArt_____: FMSG \r\n"
    "Message____: Connect mit DB fehlgeschlagen\r\n"
    "Funktion___: dbConnect\r\n"
    "ErrorCode__: -1\r\n";

std::string Header(const std::string& kinds, const std::string& message, const std::string& function,
                   const std::string& code) {
  return "\xFE\r\nSystem-Date: 07.12.26\r\nSystem-Time: 09:41:07\r\nMsgArt_____: " + kinds +
         "\r\nMessage____: " + message + "\r\nFunktion___: " + function + "\r\nErrorCode__: " + code + "\r\n";
}

class MsgLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MsgLog_ResetForTest();
    Plat_ClearFaults();
    MsgLog_SetWaitForTest(5, 1);
  }
  void TearDown() override {
    MsgLog_ResetForTest();
    Plat_ClearFaults();
  }

  // The log as the program names it, below this test's directory.
  std::string LogName() const { return dir.str() + "\\Msg\\ZelWrkJob.txt"; }
  fs::path LogPath() const { return dir / "Msg/ZelWrkJob.txt"; }
  fs::path OldPath() const { return dir / "Msg/ZelWrkJob.old"; }

  void SetUpLog(int32_t mask = 7) {
    fs::create_directories(dir / "Msg");
    MsgLog_Setup(mask, LogName().c_str());
  }

  static void Write(int32_t kinds, const char* message = "m", const char* function = "f", int32_t code = 0,
                    const std::string* data = nullptr) {
    MessageEntry e;
    e.kinds = kinds;
    e.message = message;
    e.function = function;
    e.code = code;
    if (data) {
      e.data = data->data();
      e.dataLength = static_cast<uint32_t>(data->size());
    }
    MsgLog_Write(e);
  }

  TempDir dir;
  FixedClock clock{2026, 12, 7, 9, 41, 7};
};

TEST_F(MsgLogTest, ConnectFailureEntryComesOutByteForByte) {
  SetUpLog();
  MsgLog_Report(-1, "dbConnect", "Connect mit DB fehlgeschlagen", FMSG);
  EXPECT_EQ(ReadFile(LogPath()), kExampleEntry);
  EXPECT_EQ(MsgLog_EntryCountForTest(), 1);

  // The next entry follows directly, its 0xFE at the start of a line.
  MsgLog_Report(1403, "Prv_PKeyReadk()", "Lesen fehlgeschlagen", FMSG);
  EXPECT_EQ(ReadFile(LogPath()), kExampleEntry + Header("FMSG ", "Lesen fehlgeschlagen", "Prv_PKeyReadk()", "1403"));
}

TEST_F(MsgLogTest, EntryLayoutPerKindsAndMask) {
  const std::string binary("A\0\xFE\nB", 5);
  const std::string empty;
  const std::string longText(400, 'x');
  struct Case {
    const char* name;
    int32_t mask;
    int32_t kinds;
    const std::string* data;
    std::string message;
    int32_t code;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"minimum code", 7, FMSG, nullptr, "m", INT32_MIN, Header("FMSG ", "m", "f", "-2147483648")},
      {"data block of length 0", 7, DMSG, &empty, "m", 0, Header("DMSG ", "m", "f", "0") + "\r\n"},
      {"raw data bytes", 7, DMSG, &binary, "m", 5, Header("DMSG ", "m", "f", "5") + binary + "\r\n"},
      {"system block", 7, SMSG, nullptr, "m", 0, Header("SMSG ", "m", "f", "0") + "\r\n\r\n"},
      {"FMSG and WMSG under mask 7", 7, FMSG | WMSG, nullptr, "m", 0, Header("FMSG WMSG ", "m", "f", "0")},
      {"DMSG masked out: kind named, no block", FMSG, DMSG | FMSG, &binary, "m", 0, Header("DMSG FMSG ", "m", "f", "0")},
      {"every kind", 31, 31, &binary, "m", 0,
       Header("DMSG SMSG FMSG WMSG CMSG ", "m", "f", "0") + binary + "\r\n\r\n\r\n"},
      {"no data pointer with a length", 7, DMSG, nullptr, "m", 0, Header("DMSG ", "m", "f", "0") + "\r\n"},
      {"long message kept whole", 7, FMSG, nullptr, longText, 123456, Header("FMSG ", longText, "f", "123456")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(LogPath());
    SetUpLog(c.mask);
    MessageEntry e;
    e.kinds = c.kinds;
    e.message = c.message.c_str();
    e.function = "f";
    e.code = c.code;
    if (c.data) e.data = c.data->data();
    e.dataLength = c.data ? static_cast<uint32_t>(c.data->size()) : 7;
    MsgLog_Write(e);
    EXPECT_EQ(ReadFile(LogPath()), c.expected);
  }
}

TEST_F(MsgLogTest, KindsOutsideTheMaskLeaveTheFileUntouched) {
  fs::create_directories(dir / "Msg");
  Write(FMSG);  // before set-up the mask is 0
  MsgLog_Setup(7, LogName().c_str());
  Write(WMSG);
  Write(CMSG);
  Write(WMSG | CMSG | 32);
  MsgLog_Setup(-1, LogName().c_str());
  Write(INT32_MIN | FMSG);  // kinds AND mask negative
  EXPECT_FALSE(fs::exists(LogPath()));
  EXPECT_EQ(MsgLog_EntryCountForTest(), 0);
}

TEST_F(MsgLogTest, RotationNameLiesBesideTheLog) {
  ScopedCwd cwd(dir.path());
  struct Case {
    const char* setupName;
    const char* logFile;
    const char* oldFile;
  };
  const Case cases[] = {
      {".\\Msg\\ZelWrkJob.txt", "Msg/ZelWrkJob.txt", "Msg/ZelWrkJob.old"},
      {nullptr, "msg.dat", "msg.old"},
      {"msglog", "msglog", "msglog.old"},
      {".\\v1.2\\msglog", "v1.2/msglog", "v1.2/msglog.old"},
      {"v1.2/msg.log", "v1.2/msg.log", "v1.2/msg.old"},
  };
  fs::create_directories(dir / "Msg");
  fs::create_directories(dir / "v1.2");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.logFile);
    MsgLog_Setup(7, c.setupName);
    MsgLog_SetEntryCountForTest(0);
    Write(FMSG, "first");
    MsgLog_SetEntryCountForTest(3001);
    Write(FMSG, "second");
    EXPECT_EQ(ReadFile(dir / c.oldFile), Header("FMSG ", "first", "f", "0"));
    EXPECT_EQ(ReadFile(dir / c.logFile), Header("FMSG ", "second", "f", "0"));
  }
}

TEST_F(MsgLogTest, RotatesBeforeThe3002ndEntryOfTheProcess) {
  SetUpLog();
  WriteFile(OldPath(), "older generation");
  for (int i = 1; i <= 3001; ++i) Write(FMSG, "entry", "f", i);
  EXPECT_EQ(MsgLog_EntryCountForTest(), 3001);
  EXPECT_EQ(ReadFile(OldPath()), "older generation");

  Write(FMSG, "entry", "f", 3002);
  EXPECT_EQ(ReadFile(LogPath()), Header("FMSG ", "entry", "f", "3002"));
  // The old generation holds entries 1 to 3001, the older one is gone.
  const std::string old = ReadFile(OldPath());
  std::string expected;
  for (int i = 1; i <= 3001; ++i) expected += Header("FMSG ", "entry", "f", std::to_string(i));
  EXPECT_TRUE(old == expected);
  EXPECT_EQ(MsgLog_EntryCountForTest(), 1);
}

TEST_F(MsgLogTest, VanishedLogStartsAFreshFileAtRotation) {
  SetUpLog();
  Write(FMSG, "before");
  fs::remove(LogPath());
  MsgLog_SetEntryCountForTest(3001);
  Write(FMSG, "after");
  Write(FMSG, "later");
  EXPECT_EQ(ReadFile(LogPath()), Header("FMSG ", "after", "f", "0") + Header("FMSG ", "later", "f", "0"));
  EXPECT_FALSE(fs::exists(OldPath()));
  EXPECT_EQ(MsgLog_EntryCountForTest(), 2);
}

TEST_F(MsgLogTest, FailuresDropTheEntryAndAreRetriedLater) {
  SetUpLog();
  Write(FMSG, "kept");
  const std::string kept = Header("FMSG ", "kept", "f", "0");

  // A refused rename drops the entry; the count stays above the limit and
  // the next entry rotates.
  MsgLog_SetEntryCountForTest(3001);
  Plat_InjectFault(PlatFaultPoint::RenameNoReplace, 1, {PlatFileClass::OtherError, EXDEV});
  Write(FMSG, "dropped");
  EXPECT_EQ(ReadFile(LogPath()), kept);
  EXPECT_EQ(MsgLog_EntryCountForTest(), 3001);
  Write(FMSG, "rotated");
  EXPECT_EQ(ReadFile(OldPath()), kept);
  EXPECT_EQ(ReadFile(LogPath()), Header("FMSG ", "rotated", "f", "0"));

  // Waiting errors within the budget (5 waits) are waited out ...
  Plat_InjectFault(PlatFaultPoint::LockedOpen, 5, {PlatFileClass::SharingConflict, EWOULDBLOCK});
  Write(FMSG, "late");
  // ... beyond it the entry is dropped; other errors drop it at once.
  Plat_InjectFault(PlatFaultPoint::LockedOpen, 6, {PlatFileClass::AccessDenied, EACCES});
  Write(FMSG, "denied");
  Plat_InjectFault(PlatFaultPoint::LockedOpen, 1, {PlatFileClass::OtherError, EIO});
  Write(FMSG, "broken");
  EXPECT_EQ(ReadFile(LogPath()), Header("FMSG ", "rotated", "f", "0") + Header("FMSG ", "late", "f", "0"));
  EXPECT_EQ(MsgLog_EntryCountForTest(), 2);

  // A missing directory drops every entry silently.
  MsgLog_Setup(7, (dir.str() + "\\NoDir\\x.txt").c_str());
  Write(FMSG);
  EXPECT_FALSE(fs::exists(dir / "NoDir"));
}

#ifndef _WIN32
// Linux only: a forked writer under RLIMIT_FSIZE (no such limit on Windows).
TEST_F(MsgLogTest, WriteFailingHalfwayLeavesNoPartOfTheEntry) {
  SetUpLog();
  Write(FMSG, "kept");
  const std::string before = ReadFile(LogPath());
  ChildProcess child([&] {
    // The file may grow by 50 bytes only: the entry's write fails halfway.
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{before.size() + 50, before.size() + 50};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    Write(FMSG, "cut off");
    return MsgLog_EntryCountForTest() == 1 ? 0 : 1;
  });
  ASSERT_TRUE(child.started());
  EXPECT_EQ(child.Wait(), 0);
  EXPECT_EQ(ReadFile(LogPath()), before);
}
#endif

// A writer killed while the kernel copied its entry into the file leaves the
// entry's first part (the copy stops at a page boundary). The next writer
// cuts that part off before appending, and leaves alone whatever is not an
// unfinished entry of this log.
TEST_F(MsgLogTest, EntryLeftUnfinishedByAKilledWriterIsCutOffByTheNext) {
  const std::string whole = Header("FMSG ", "kept", "f", "1");
  const std::string smsg = Header("FMSG SMSG ", "kept", "f", "1") + "\r\n\r\n";
  const struct {
    const char* name;
    std::string before;  // the file as the killed writer left it
    std::string kept;    // what the next writer must keep of it
  } cases[] = {
      {"only the marker byte", whole + "\xFE", whole},
      {"marker and CR", whole + "\xFE\r", whole},
      {"cut inside a label", whole + whole.substr(0, 60), whole},
      {"cut after a label", whole + whole.substr(0, whole.find("Message____") + 11), whole},
      {"cut between CR and LF of the last field", whole + whole.substr(0, whole.size() - 1), whole},
      {"cut in the empty lines of SMSG", whole + smsg.substr(0, smsg.size() - 1), whole},
      {"the file's only entry", whole.substr(0, 30), ""},
      {"whole entries stay", whole + smsg, whole + smsg},
      {"text of another shape stays", whole + "\xFE\r\nnot an entry", whole + "\xFE\r\nnot an entry"},
      {"a marker inside a line stays", whole + "note \xFE", whole + "note \xFE"},
      {"a data block stays", whole + "data", whole + "data"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpLog();
    WriteFile(LogPath(), c.before);
    Write(FMSG, "next", "g", 2);
    EXPECT_EQ(ReadFile(LogPath()), c.kept + Header("FMSG ", "next", "g", "2"));
    fs::remove(LogPath());
  }
}

#ifndef _WIN32
// Linux only: the other writer is a forked child holding the file's flock.
// The Windows test program waits for a real process holding the log open
// instead (test_msglog_processes.cpp).
TEST_F(MsgLogTest, WaitForAWriterInAnotherProcessIsBounded) {
  SetUpLog();
  Write(FMSG, "first");
  LockHolder holder(LogPath());
  ASSERT_TRUE(holder.locked());
  Write(FMSG, "while held");
  EXPECT_EQ(MsgLog_AppendRaw(LogName().c_str(), "raw", 3), EWOULDBLOCK);
  holder.Release();
  Write(FMSG, "after release");
  EXPECT_EQ(ReadFile(LogPath()), Header("FMSG ", "first", "f", "0") + Header("FMSG ", "after release", "f", "0"));
  EXPECT_EQ(MsgLog_EntryCountForTest(), 2);
}
#endif

TEST_F(MsgLogTest, AppendRawAddsBytesAndLineEnd) {
  fs::create_directories(dir / "Msg");
  EXPECT_EQ(MsgLog_AppendRaw(LogName().c_str(), "abc", 3), 0);
  EXPECT_EQ(MsgLog_AppendRaw(LogName().c_str(), nullptr, 0), 0);
  EXPECT_EQ(ReadFile(LogPath()), "abc\r\n\r\n");
  EXPECT_EQ(MsgLog_AppendRaw((dir.str() + "\\NoDir\\x").c_str(), "abc", 3), ENOENT);
  EXPECT_EQ(MsgLog_AppendRaw(LogName().c_str(), nullptr, 4), EINVAL);
  EXPECT_EQ(MsgLog_AppendRaw(nullptr, "abc", 3), EINVAL);
}

#ifndef _WIN32
// Linux only: the second writer is a forked copy of this process; on
// Windows the writers are zelwrkjob.exe processes (test_msglog_processes.cpp).
TEST_F(MsgLogTest, TwoProcessesWritingAtOnceLoseAndTearNothing) {
  SetUpLog();
  // Short waits, generous budget: the two writers meet often, and no entry
  // may be dropped for it.
  MsgLog_SetWaitForTest(100000, 1);
  constexpr int kEach = 500;
  auto writeAll = [](const char* writer) {
    for (int i = 0; i < kEach; ++i) {
      const std::string message = std::string(writer) + " " + std::to_string(i);
      MsgLog_Report(i, writer, message.c_str(), FMSG);
    }
  };
  ChildProcess child([&] {
    writeAll("child");
    return MsgLog_EntryCountForTest() == kEach ? 0 : 1;
  });
  ASSERT_TRUE(child.started());
  writeAll("parent");
  EXPECT_EQ(child.Wait(), 0);

  // Split at the entry marks and expect each writer's entries complete and
  // in its own order.
  const std::string log = ReadFile(LogPath());
  std::map<std::string, int> next{{"child", 0}, {"parent", 0}};
  std::size_t pos = 0;
  int entries = 0;
  while (pos < log.size()) {
    std::size_t end = log.find('\xFE', pos + 1);
    if (end == std::string::npos) end = log.size();
    const std::string entry = log.substr(pos, end - pos);
    const std::string writer = entry.find("Funktion___: child\r\n") != std::string::npos ? "child" : "parent";
    const int i = next[writer]++;
    ASSERT_EQ(entry, Header("FMSG ", writer + " " + std::to_string(i), writer, std::to_string(i))) << "entry " << entries;
    ++entries;
    pos = end;
  }
  EXPECT_EQ(entries, 2 * kEach);
  EXPECT_EQ(next["child"], kEach);
  EXPECT_EQ(next["parent"], kEach);
}

#endif

}  // namespace
