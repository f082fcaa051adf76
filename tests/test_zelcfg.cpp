// The installer's tools: zelcfg's files read back by the reader, updates that
// keep the rest of the file and its owner and mode, the password kept off the
// command line, a new file only when asked for; zelsetup's new database
// readable by its owner only, demo data only into an empty database; both
// naming their files by absolute paths, and giving them to the account named
// with --grant.
#include <grp.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "config/Idea.h"
#include "config/Ini.h"

namespace {

namespace fs = std::filesystem;
using zeltest::RunProcess;

const std::string kTool = zeltest::Program("zelcfg");

std::string Lookup(const fs::path& file, const char* key) {
  Ini_ReadEntry("", key, 0, file.c_str());
  return IniEntry.value.str();
}

fs::perms ModeOf(const fs::path& file) { return fs::status(file).permissions() & fs::perms::all; }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

// A group that this process may give files to, other than its own when it
// can: root may give any (daemon, gid 1), anyone else one of theirs.
gid_t GrantableGroup() {
  if (::geteuid() == 0) return 1;
  gid_t groups[64];
  const int count = ::getgroups(64, groups);
  for (int i = 0; i < count; ++i) {
    if (groups[i] != ::getegid()) return groups[i];
  }
  return ::getegid();
}
const gid_t kGroup = GrantableGroup();
const std::string kGrantGroup = "group:" + std::string(::getgrgid(kGroup)->gr_name);

struct stat StatOf(const fs::path& file) {
  struct stat st {};
  ::stat(file.c_str(), &st);
  return st;
}

bool HasStrayFiles(const fs::path& dir) {
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().filename() != "veldoran.ini") return true;
  }
  return false;
}

TEST(ZelcfgTool, SetWritesAFileTheReaderReads) {
  zeltest::TempDir dir;
  const auto r = RunProcess(
      {kTool, "set", "--create", "--file", "files/veldoran.ini", "--login", "zel", "--net8", "demo.db"}, dir.path(),
      "secret\n");
  ASSERT_EQ(r.exitCode, 0) << r.output;
  const fs::path file = dir / "files" / "veldoran.ini";
  EXPECT_EQ(Lookup(file, "LOGIN"), "zel");
  EXPECT_EQ(Lookup(file, "PASS"), "secret");
  EXPECT_EQ(Lookup(file, "NET8"), "demo.db");
  EXPECT_EQ(ModeOf(file), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_FALSE(HasStrayFiles(file.parent_path()));
  // Pairs with a group and a non-zero number, CR LF line ends.
  const std::vector<std::string> lines = Lines(zeltest::ReadFile(file));
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], ";DB;\r\n");
  EXPECT_EQ(lines[1], "1;LOGIN;" + Idea_Encipher("zel", "QUARVEL", 0) + "\r\n");
  EXPECT_EQ(lines[3].substr(0, 7), "2;PASS;");
  EXPECT_EQ(lines[5].substr(0, 7), "3;NET8;");
}

TEST(ZelcfgTool, DefaultPathIsTheSystemPath) {
  zeltest::TempDir dir;
  const fs::path work = dir / "a" / "b" / "c" / "d";
  fs::create_directories(work);
  const auto r = RunProcess({kTool, "set", "--create", "--login", "zel", "--net8", "demo.db"}, work, "pw\r\n");
  ASSERT_EQ(r.exitCode, 0) << r.output;
  const fs::path before = fs::current_path();
  fs::current_path(work);
  char user[kIniLoginWidth], password[kIniLoginWidth], service[kIniLoginWidth];
  Ini_ReadLogin(user, password, service);
  fs::current_path(before);
  EXPECT_STREQ(user, "zel");
  EXPECT_STREQ(password, "pw");
  EXPECT_STREQ(service, "demo.db");
}

TEST(ZelcfgTool, UpdateKeepsEveryOtherLine) {
  zeltest::TempDir dir;
  const fs::path file = dir / "veldoran.ini";
  const std::string other = "[Mail];MAIL;x\r\n4;SMTP;" + Idea_Encipher("mail.local", "QUARVEL", 0) + "\r\n";
  const std::string oldLogin = ";DB;\r\n7;LOGIN;" + Idea_Encipher("old", "QUARVEL", 0) + "\r\n";
  const std::string dangling = "unpaired last line";
  zeltest::WriteFile(file, other + oldLogin + dangling);
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                            fs::perms::others_read);

  const auto r = RunProcess({kTool, "set", "--file", file.string(), "--login", "new", "--net8", "prod"},
                            dir.path(), "pw2\n");
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(Lookup(file, "LOGIN"), "new");
  EXPECT_EQ(Lookup(file, "PASS"), "pw2");
  EXPECT_EQ(Lookup(file, "NET8"), "prod");
  EXPECT_EQ(Lookup(file, "SMTP"), "mail.local");
  // The file is shared: other programs keep reading it.
  EXPECT_EQ(ModeOf(file), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::others_read);

  // LOGIN updated in place under its number; PASS and NET8 added before the
  // unpaired last line, which stays last and unpaired.
  const std::vector<std::string> lines = Lines(zeltest::ReadFile(file));
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[0] + lines[1], other);
  EXPECT_EQ(lines[2], ";DB;\r\n");
  EXPECT_EQ(lines[3], "7;LOGIN;" + Idea_Encipher("new", "QUARVEL", 0) + "\r\n");
  EXPECT_EQ(lines[4], ";DB;\r\n");
  EXPECT_EQ(lines[8], dangling);

  // --keep-pass reads no password and leaves PASS alone.
  const auto keep = RunProcess({kTool, "set", "--file", file.string(), "--keep-pass", "--login", "newer"},
                               dir.path(), "");
  ASSERT_EQ(keep.exitCode, 0) << keep.output;
  EXPECT_EQ(Lookup(file, "LOGIN"), "newer");
  EXPECT_EQ(Lookup(file, "PASS"), "pw2");
  EXPECT_EQ(Lines(zeltest::ReadFile(file)).size(), 9u);
}

// The installation's files/veldoran.ini is a link to the system's shared
// file, which belongs to another account: the update goes to the shared
// file, which keeps its owner and mode, and the link stays a link.
TEST(ZelcfgTool, UpdateThroughALinkKeepsTheFilesOwnerAndMode) {
  zeltest::TempDir dir;
  fs::create_directories(dir / "shared");
  fs::create_directories(dir / "files");
  const fs::path shared = dir / "shared" / "veldoran.ini";
  const fs::path link = dir / "files" / "veldoran.ini";
  zeltest::WriteFile(shared, ";DB;\r\n1;LOGIN;" + Idea_Encipher("old", "QUARVEL", 0) + "\r\n");
  const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(shared, mode);
  const bool root = ::geteuid() == 0;  // only root can hand the file to another account
  if (root) {
    ASSERT_EQ(::chown(shared.c_str(), 4321, 4322), 0);
  }
  fs::create_symlink("../shared/veldoran.ini", link);

  const auto r = RunProcess({kTool, "set", "--file", "files/veldoran.ini", "--keep-pass", "--login", "new"},
                            dir.path());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Lookup(link, "LOGIN"), "new");
  EXPECT_EQ(ModeOf(shared), mode);
  struct stat st {};
  ASSERT_EQ(::stat(shared.c_str(), &st), 0);
  if (root) {
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 4322u);
  }
  EXPECT_FALSE(HasStrayFiles(dir / "shared"));
  EXPECT_FALSE(HasStrayFiles(dir / "files"));
}

TEST(ZelcfgTool, UpdateOfAnLfFileWithoutFinalLineEnd) {
  zeltest::TempDir dir;
  const fs::path file = dir / "veldoran.ini";
  zeltest::WriteFile(file, ";X;\n4;SMTP;" + Idea_Encipher("mail", "QUARVEL", 0));
  const auto r = RunProcess({kTool, "set", "--file", file.string(), "--keep-pass", "--net8", "n8"}, dir.path());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(Lookup(file, "SMTP"), "mail");
  EXPECT_EQ(Lookup(file, "NET8"), "n8");
  EXPECT_EQ(zeltest::ReadFile(file).find('\r'), std::string::npos);
}

TEST(ZelcfgTool, RefusesAPasswordOnTheCommandLine) {
  zeltest::TempDir dir;
  for (const char* option : {"--pass", "--password=secret", "-p"}) {
    SCOPED_TRACE(option);
    const auto r = RunProcess({kTool, "set", "--file", "x.ini", "--login", "zel", option, "secret"}, dir.path(),
                              "secret\n");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.output.find("standard input"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("secret"), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(dir / "x.ini"));
  }
}

TEST(ZelcfgTool, UsageAndFailureExitCodes) {
  zeltest::TempDir dir;
  zeltest::WriteFile(dir / "plainfile", "x");
  const std::string longValue(41, 'v');
  struct Case {
    std::vector<std::string> args;
    std::string input;
    int exitCode;
  };
  const Case cases[] = {
      {{}, "", 2},
      {{"frobnicate"}, "", 2},
      {{"set", "--bogus"}, "", 2},
      {{"set", "--file"}, "", 2},
      {{"set", "--keep-pass"}, "", 2},                         // nothing to set
      {{"set", "--create", "--file", "y.ini", "--login", "zel"}, "", 2},  // no password on stdin
      {{"set", "--file", "y.ini", "--login", longValue, "--keep-pass"}, "", 2},
      {{"set", "--create", "--file", "y.ini", "--grant", "group:nosuch-zel", "--login", "zel"}, "pw\n", 2},
      {{"encipher", "--form", "2"}, "x\n", 2},
      {{"encipher", "plain-on-command-line"}, "", 2},
      {{"get", "--file", "y.ini"}, "", 2},
      {{"set", "--create", "--file", "plainfile/sub.ini", "--login", "zel", "--keep-pass"}, "", 1},
      {{"get", "--file", "missing.ini", "LOGIN"}, "", 1},
  };
  for (const Case& c : cases) {
    std::vector<std::string> argv = {kTool};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const auto r = RunProcess(argv, dir.path(), c.input);
    std::string shown;
    for (const auto& a : c.args) shown += a + " ";
    EXPECT_EQ(r.exitCode, c.exitCode) << shown << "\n" << r.output;
    EXPECT_EQ(r.output.rfind("zelcfg: ", 0), 0u) << shown << "\n" << r.output;
    EXPECT_EQ(r.output.find('\n'), r.output.size() - 1) << shown << "\n" << r.output;  // one line
  }
  EXPECT_FALSE(fs::exists(dir / "y.ini"));

  const auto help = RunProcess({kTool, "--help"}, dir.path());
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.output.find("usage: zelcfg"), std::string::npos);
  EXPECT_EQ(RunProcess({kTool, "set", "--help"}, dir.path()).exitCode, 0);
}

// Run from the wrong directory, set must not quietly make a second file that
// zelwrkjob never reads: a missing file is an error naming the absolute path
// looked for, and only --create makes it. Steps in order.
TEST(ZelcfgTool, MissingFileIsMadeOnlyWithCreate) {
  zeltest::TempDir dir;
  const fs::path work = dir / "a" / "b" / "c" / "d";
  fs::create_directories(work);
  const std::string file = (fs::canonical(dir.path()) / "files" / "veldoran.ini").string();
  const std::string missing = "zelcfg: no configuration file at " + file;
  const struct {
    std::vector<std::string> args;
    std::string input;
    int exitCode;
    std::string output;  // the whole output, or its beginning for failures
    bool exists;         // the file exists afterwards
  } steps[] = {
      {{"set", "--login", "zel", "--keep-pass"}, "", 1, missing + " (set --create makes a new one)\n", false},
      {{"set", "--file", "../../../../files/./veldoran.ini", "--login", "zel"}, "pw\n", 1,
       missing + " (set --create makes a new one)\n", false},
      {{"set", "--file", "..\\..\\x\\..\\..\\..\\files\\veldoran.ini", "--net8", "n8", "--keep-pass"}, "", 1,
       missing + " (set --create makes a new one)\n", false},
      {{"get", "LOGIN"}, "", 1, missing + "\n", false},
      {{"set", "--create", "--grant", "nosuch-zel", "--login", "zel", "--keep-pass"}, "", 2,
       "zelcfg: --grant: no user named 'nosuch-zel' on this machine\n", false},
      {{"set", "--create", "--login", "zel", "--keep-pass"}, "", 0, "zelcfg: LOGIN written to " + file + "\n", true},
      // The existing file is given to the job's group, readable by it alone.
      {{"set", "--create", "--grant", kGrantGroup, "--net8", "n8", "--keep-pass"}, "", 0,
       "zelcfg: NET8 written to " + file + ", readable by " + kGrantGroup + "\n", true},
      {{"get", "--file", "../../../../files/veldoran.ini", "NOSUCHKEY"}, "", 1,
       "zelcfg: NOSUCHKEY not found in " + file + "\n", true},
  };
  for (const auto& step : steps) {
    std::vector<std::string> argv = {kTool};
    argv.insert(argv.end(), step.args.begin(), step.args.end());
    const auto r = RunProcess(argv, work, step.input);
    std::string shown;
    for (const auto& a : step.args) shown += a + " ";
    SCOPED_TRACE(shown);
    EXPECT_EQ(r.exitCode, step.exitCode);
    EXPECT_EQ(r.output, step.output);
    EXPECT_EQ(fs::exists(file), step.exists);
  }
  // The second --create updated the file it found.
  EXPECT_EQ(Lookup(file, "LOGIN"), "zel");
  EXPECT_EQ(Lookup(file, "NET8"), "n8");
  EXPECT_EQ(StatOf(file).st_gid, kGroup);
  EXPECT_EQ(ModeOf(file), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(ZelcfgTool, EncipherAndDecipherAgreeWithTheLibrary) {
  zeltest::TempDir dir;
  for (const char* form : {"0", "1"}) {
    SCOPED_TRACE(form);
    const unsigned char f = static_cast<unsigned char>(form[0] - '0');
    const auto enc = RunProcess({kTool, "encipher", "--form", form}, dir.path(), "hello world\n");
    ASSERT_EQ(enc.exitCode, 0) << enc.output;
    EXPECT_EQ(enc.output, Idea_Encipher("hello world", "QUARVEL", f) + "\n");

    const std::string stored = Idea_Encipher("hello world", "OTHERKEY", f);
    const auto dec = RunProcess({kTool, "decipher", "--form", form, "--key", "OTHERKEY", stored}, dir.path());
    EXPECT_EQ(dec.exitCode, 0) << dec.output;
    EXPECT_EQ(dec.output, "hello world\n");
    const auto decStdin = RunProcess({kTool, "decipher", "--key=OTHERKEY", "--form=" + std::string(form)},
                                     dir.path(), stored + "\n");
    EXPECT_EQ(decStdin.output, "hello world\n");
  }
  zeltest::WriteFile(dir / "v.ini", ";DB;\n1;NET8;" + Idea_Encipher("demo.db", "QUARVEL", 0) + "\n");
  const auto get = RunProcess({kTool, "get", "--file", "v.ini", "NET8"}, dir.path());
  EXPECT_EQ(get.exitCode, 0);
  EXPECT_EQ(get.output, "demo.db\n");
}

// The database holds names and addresses: a new file is its owner's alone,
// whatever the umask, and so are the write-ahead log and shared-memory files
// that SQLite creates beside it. An existing file keeps its mode.
TEST(ZelsetupTool, NewDatabaseFileIsReadableByItsOwnerOnly) {
  zeltest::TempDir dir;
  const std::string tool = zeltest::Program("zelsetup");
  const mode_t umaskBefore = ::umask(0);
  const auto made = RunProcess({tool, "schema", "new.db"}, dir.path());
  ::umask(umaskBefore);
  ASSERT_EQ(made.exitCode, 0) << made.output;
  const fs::perms owner = fs::perms::owner_read | fs::perms::owner_write;
  EXPECT_EQ(ModeOf(dir / "new.db"), owner);

  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2((dir / "new.db").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
  // zelsetup left the file in WAL mode: a write makes both companions, which
  // stay while the connection is open.
  EXPECT_EQ(sqlite3_exec(db, "create table t(x); insert into t values (1)", nullptr, nullptr, nullptr), SQLITE_OK);
  ASSERT_TRUE(fs::exists(dir / "new.db-wal") && fs::exists(dir / "new.db-shm"));
  EXPECT_EQ(ModeOf(dir / "new.db-wal"), owner);
  EXPECT_EQ(ModeOf(dir / "new.db-shm"), owner);
  sqlite3_close(db);

  zeltest::WriteFile(dir / "shared.db", "");
  const fs::perms group = owner | fs::perms::group_read | fs::perms::group_write;
  fs::permissions(dir / "shared.db", group);
  const auto kept = RunProcess({tool, "schema", "shared.db"}, dir.path());
  ASSERT_EQ(kept.exitCode, 0) << kept.output;
  EXPECT_EQ(ModeOf(dir / "shared.db"), group);
}

// demo-data adds invented persons whose badges would reach the terminals with
// the next run: a database that holds rows in any table it fills is refused
// unless --force says so. Every message names the database by its absolute
// path. Steps in order; "ABS/" stands for the test directory.
TEST(ZelsetupTool, DemoDataRefusesAFilledDatabaseUnlessForced) {
  zeltest::TempDir dir;
  const std::string tool = zeltest::Program("zelsetup");
  const std::string abs = fs::canonical(dir.path()).string() + "/";
  fs::create_directories(dir / "sub");
  ASSERT_EQ(RunProcess({tool, "schema", "sub/../own.db"}, dir.path()).output, "zelsetup: schema in " + abs + "own.db\n");
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((dir / "own.db").c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "insert into Mvs300Pnr (PnrNum,PnrNam,PnrStr,PnrOrt) values ('99999999','Own, Site','Weg 1','Ort')", nullptr,
                         nullptr, nullptr),
            SQLITE_OK);
  auto persons = [&] {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "select count(*) from Mvs300Pnr", -1, &st, nullptr);
    sqlite3_step(st);
    const int n = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    return n;
  };
  zeltest::WriteFile(dir / "bare.db", "");

  const struct {
    std::vector<std::string> args;
    int exitCode;
    std::string output;  // its beginning
    int persons;         // persons in own.db afterwards
  } steps[] = {
      {{"demo-data", "own.db"}, 1,
       "zelsetup: " + abs + "own.db holds data already (Mvs300Pnr 1 row); demo-data is meant for an empty database",
       1},
      {{"demo-data", "--force", "./own.db"}, 0, "zelsetup: demo data in " + abs + "own.db\n", 37},
      {{"demo-data", "own.db"}, 1, "zelsetup: " + abs + "own.db holds data already (Mvs300Pnr 37 rows, Mvs301Asw", 37},
      {{"demo-data", "sub\\..\\missing.db"}, 1, "zelsetup: cannot open " + abs + "missing.db (status -12154)", 37},
      {{"demo-data", "bare.db"}, 1, "zelsetup: " + abs + "bare.db: cannot read Mvs300Pnr (status -942)", 37},
      {{"demo-data", "--force"}, 2, "usage: zelsetup", 37},
      {{"schema", "--grant", "nosuch-zel", "never.db"}, 2,
       "zelsetup: --grant: no user named 'nosuch-zel' on this machine\n", 37},
      {{"schema", "--grant", kGrantGroup, "granted.db"}, 0,
       "zelsetup: schema in " + abs + "granted.db, readable and writable by " + kGrantGroup + "\n", 37},
  };
  for (const auto& step : steps) {
    std::vector<std::string> argv = {tool};
    argv.insert(argv.end(), step.args.begin(), step.args.end());
    const auto r = RunProcess(argv, dir.path());
    SCOPED_TRACE(step.args.back());
    EXPECT_EQ(r.exitCode, step.exitCode);
    EXPECT_EQ(r.output.substr(0, step.output.size()), step.output) << r.output;
    EXPECT_EQ(persons(), step.persons);
  }
  sqlite3_close(db);
  EXPECT_FALSE(fs::exists(dir / "missing.db"));
  EXPECT_FALSE(fs::exists(dir / "never.db"));
  // The job's group may read and write the new file.
  EXPECT_EQ(StatOf(dir / "granted.db").st_gid, kGroup);
  const fs::perms owner = fs::perms::owner_read | fs::perms::owner_write;
  EXPECT_EQ(ModeOf(dir / "granted.db"), owner | fs::perms::group_read | fs::perms::group_write);
  if (::geteuid() == 0) {
    // Only root may give the file to another user: its owner, 0600.
    const auto r = RunProcess({tool, "schema", "--grant=nobody", "granted.db"}, dir.path());
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(StatOf(dir / "granted.db").st_uid, 65534u);
    EXPECT_EQ(ModeOf(dir / "granted.db"), owner);
  }
}

}  // namespace
