// Platform layers: rename without replace, the locked log file, the run
// lock of the tools, and starting the download program (the stand-in)
// detached.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <regex>
#include <string>
#include <thread>

#include "LogTestSupport.h"
#include "TestEnv.h"
#include "TestSupport.h"
#include "platform/FileNames.h"
#include "platform/LockedFile.h"
#include "platform/ShellOpen.h"
#include "tools/platform/FileAccess.h"
#include "tools/platform/Grant.h"
#include "tools/platform/PrivateFile.h"
#include "tools/platform/RunLock.h"
#ifdef _WIN32
#include "tools/platform/windows/OwnerOnlySddl.h"
#endif

namespace {

using namespace zeltest;

TEST(PlatformFiles, RenameNeverReplacesAnExistingFile) {
  TempDir dir;
  WriteFile(dir / "a.txt", "new");
  WriteFile(dir / "b.old", "old");
  const std::string a = dir.str() + "\\a.txt";
  const std::string b = dir.str() + "\\b.old";

  PlatFileResult r = Plat_RenameNoReplace(a, b);
  EXPECT_EQ(r.kind, PlatFileClass::OtherError);
  EXPECT_EQ(r.error, EEXIST);
  EXPECT_EQ(ReadFile(dir / "a.txt"), "new");
  EXPECT_EQ(ReadFile(dir / "b.old"), "old");

  EXPECT_TRUE(Plat_DeleteFile(b).ok());
  EXPECT_TRUE(Plat_RenameNoReplace(a, b).ok());
  EXPECT_FALSE(fs::exists(dir / "a.txt"));
  EXPECT_EQ(ReadFile(dir / "b.old"), "new");

  r = Plat_RenameNoReplace(a, dir.str() + "\\c.old");
  EXPECT_EQ(r.kind, PlatFileClass::OtherError);
  EXPECT_EQ(r.error, ENOENT);
  r = Plat_DeleteFile(a);
  EXPECT_EQ(r.kind, PlatFileClass::OtherError);
  EXPECT_EQ(r.error, ENOENT);
}

// What this process makes is its own (on Windows: the owner the token gives
// new files); a file of another account is tried in the zelrun suite, which
// runs as root.
TEST(PlatformFiles, WhatThisProcessMadeIsItsOwn) {
  TempDir dir;
  WriteFile(dir / "a.txt", "");
  EXPECT_TRUE(Plat_OwnedByMe(dir.str()));
  EXPECT_TRUE(Plat_OwnedByMe(dir.str() + "\\a.txt"));
  EXPECT_FALSE(Plat_OwnedByMe(dir.str() + "\\missing.txt"));
}

TEST(PlatformFiles, LockedOpenKeepsASecondWriterOut) {
  TempDir dir;
  const std::string name = dir.str() + "\\log.txt";
  int first = -1, second = -1;
  ASSERT_TRUE(Plat_LockedOpen(name, first).ok());  // created when missing
  EXPECT_EQ(Plat_LockedOpen(name, second).kind, PlatFileClass::SharingConflict);
  ASSERT_TRUE(Plat_LockedAppend(first, "abc", 3).ok());
  ASSERT_TRUE(Plat_LockedClose(first).ok());
  ASSERT_TRUE(Plat_LockedOpen(name, second).ok());
  ASSERT_TRUE(Plat_LockedAppend(second, "de", 2).ok());
  ASSERT_TRUE(Plat_LockedClose(second).ok());
  EXPECT_EQ(ReadFile(dir / "log.txt"), "abcde");
  EXPECT_EQ(Plat_LockedOpen(dir.str() + "\\missing\\log.txt", first).kind, PlatFileClass::OtherError);
}

// The run lock of zelrun, on both systems: a second taker is turned away at
// once, and one that waits gets the lock when the holder lets go.
TEST(PlatformFiles, RunLockKeepsASecondRunOutUntilReleased) {
  TempDir dir;
  const std::string name = dir.str() + "\\run.lock";
  int first = -1, second = -1;
  ASSERT_EQ(Plat_RunLockAcquire(name, 0, first), PlatRunLockResult::Held);  // made when missing
  EXPECT_EQ(Plat_RunLockAcquire(name, 0, second), PlatRunLockResult::Busy);
  EXPECT_EQ(second, -1);
  std::thread holder([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Plat_RunLockRelease(first);
  });
  EXPECT_EQ(Plat_RunLockAcquire(name, 30, second), PlatRunLockResult::Held);
  holder.join();
  Plat_RunLockRelease(second);
  EXPECT_EQ(Plat_RunLockAcquire(dir.str() + "\\missing\\run.lock", 0, first), PlatRunLockResult::CannotOpen);
}

#ifdef _WIN32
// The account named with --grant, found by LookupAccountName (Wine knows the
// built-in groups, SYSTEM and the current user): a known one gives a new
// file an access list of the creator and that account; an unknown one fails
// by name. Wine keeps no access list on a file, so the list's text is
// checked. (Linux: the zelcfg and zelsetup suites, on real files.)
TEST(PlatformFiles, GrantGivesANewFileToItsCreatorAndTheNamedAccount) {
  TempDir dir;
  const struct {
    std::string account;
    PlatGrantRights rights;
    std::string failure;
    std::string sddl;  // for a creator S-1-5-21-1-2-3-1001
  } cases[] = {
      {"Users", PlatGrantRights::Read, "", "D:P(A;;FA;;;S-1-5-21-1-2-3-1001)(A;;FR;;;S-1-5-32-545)"},
      {"BUILTIN\\Users", PlatGrantRights::ReadWrite, "", "D:P(A;;FA;;;S-1-5-21-1-2-3-1001)(A;;FRFW;;;S-1-5-32-545)"},
      {"SYSTEM", PlatGrantRights::ReadWrite, "", "D:P(A;;FA;;;S-1-5-21-1-2-3-1001)(A;;FRFW;;;S-1-5-18)"},
      {"ZEL\\nosuch-zel", PlatGrantRights::Read, "no account named 'ZEL\\nosuch-zel' on this machine or its domain", ""},
      {"", PlatGrantRights::Read, "--grant needs an account name (DOMAIN\\name)", ""},
  };
  int made = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.account);
    PlatGrant grant;
    EXPECT_EQ(Plat_ResolveGrant(c.account, c.rights, grant), c.failure);
    if (!c.failure.empty()) continue;
    EXPECT_EQ(PlatWin_OwnerOnlySddl("S-1-5-21-1-2-3-1001", &grant), c.sddl);
    const std::string name = std::to_string(++made) + ".db";
    EXPECT_EQ(Plat_CreatePrivateFile(dir.str() + "\\" + name, &grant), "");
    EXPECT_TRUE(fs::exists(dir / name));
    EXPECT_EQ(Plat_CreatePrivateFile(dir.str() + "\\" + name, &grant), "");  // an existing file: its list replaced
  }
  EXPECT_EQ(PlatWin_OwnerOnlySddl("S-1-5-21-1-2-3-1001", nullptr), "D:P(A;;FA;;;S-1-5-21-1-2-3-1001)");
}
#endif

// The record the stand-in writes for one start with these parameters.
bool IsStartRecord(const std::string& text, const std::string& parameters) {
  const std::regex line(R"(Datum: \d\d\.\d\d\.\d{4}  Uhrzeit: \d\d:\d\d:\d\d  Parameter: )" + parameters + "\r\n");
  return std::regex_match(text, line);
}

// The stand-in appends its record in one write, but it may still be on its way.
std::string WaitForRecord(const fs::path& file) {
  std::string text;
  for (int i = 0; i < 500; ++i) {
    if (WaitForFile(file) && !(text = ReadFile(file)).empty() && text.back() == '\n') break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return text;
}

TEST(PlatformProcess, ShellOpenStartsTheDownloadProgramDetached) {
  TempDir dir;
  fs::create_directories(dir / "Msg");
  fs::copy_file(Program("zeldnlstd"), dir / "ZELDNLSTD.EXE");
  ScopedCwd cwd(dir.path());

  ASSERT_TRUE(Plat_ShellOpen("ZELDNLSTD.EXE", "Marvane Mvs510Prv"));
  EXPECT_TRUE(IsStartRecord(WaitForRecord(dir / "Msg/ZelDnlStd.Txt"), "Marvane Mvs510Prv"));
#ifndef _WIN32
  // Linux only (Windows has no children to reap): only the intermediate
  // child was ours, and it has been reaped.
  const pid_t left = ::waitpid(-1, nullptr, WNOHANG);
  const int error = errno;
  EXPECT_EQ(left, -1);
  EXPECT_EQ(error, ECHILD);
#endif

  EXPECT_FALSE(Plat_ShellOpen("NOSUCH.EXE", "Marvane Mvs510Prv"));
  EXPECT_FALSE(Plat_ShellOpen("", ""));
}

TEST(PlatformProcess, ShellOpenFallsBackToTheSearchPath) {
  TempDir dir;
  TempDir bin;
  fs::copy_file(Program("zeldnlstd"), bin / "ZELDNLSTD.EXE");
  const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  SetEnv("PATH", MissingDirectory() + kPathListSeparator + bin.str());
  bool started;
  {
    ScopedCwd cwd(dir.path());
    started = Plat_ShellOpen("ZELDNLSTD.EXE", "  one   two ");
  }
  SetEnv("PATH", savedPath);
  ASSERT_TRUE(started);
  // Without a Msg directory the record lands in the working directory.
  EXPECT_TRUE(IsStartRecord(WaitForRecord(dir / "ZelDnlStd.Txt"), "one two"));
}

}  // namespace
