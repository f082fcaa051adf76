// zelrun as a real process around the real zelwrkjob: the pre-checks, the
// lock against overlapping runs, the exit codes, and the summary of what the
// run (and only the run) wrote to the two logs.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <regex>

#include "InstallationSupport.h"
#include "platform/RunLock.h"

namespace {

using zeltest::Installation;
using zeltest::OnPostgres;
using zeltest::ProcessResult;
using zeltest::Program;
using zeltest::ReadFile;
using zeltest::RunProcess;
using zeltest::WriteFile;
using zeltest::fs::path;
namespace fs = std::filesystem;

// zelrun with `args`, started in the working directory; zelwrkjob is the one
// beside it in the build directory (its default).
ProcessResult Zelrun(const Installation& inst, const std::vector<std::string>& args) {
  std::vector<std::string> argv{Program("zelrun")};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProcess(argv, inst.Work());
}

// The full path of a file of the installation, as zelrun names it.
std::string Full(const path& p) { return (fs::canonical(p.parent_path()) / p.filename()).string(); }

void FillPrv(Installation& inst, int rows) {
  for (int i = 0; i < rows; ++i)
    inst.Db().Exec("insert into Mvs510Prv (PrvPnr, PrvAwa) values ('" + std::to_string(10000000 + i) + "', 1)");
}

// The configuration file without its last pair (NET8, as zelcfg writes it).
void DropNet8(const Installation& inst) {
  const std::vector<std::string> lines = zeltest::CrLfLines(ReadFile(inst.IniFile()));
  std::string kept;
  for (std::size_t i = 0; i + 2 < lines.size(); ++i) kept += lines[i] + "\r\n";
  WriteFile(inst.IniFile(), kept);
}

// The configuration file with the last digit of NET8's stored value changed.
void GarbleNet8(const Installation& inst) {
  std::string text = ReadFile(inst.IniFile());
  const std::size_t last = text.find_last_of("0123456789");
  text[last] = text[last] == '7' ? '3' : '7';
  WriteFile(inst.IniFile(), text);
}

TEST(ZelRun, EachPreCheckFailureIsNamedWithItsPath) {
  struct Case {
    const char* what;
    std::function<void(Installation&)> breakIt;
    // Texts the output must hold (whole lines, or the parts of one).
    std::function<std::vector<std::string>(Installation&)> expected;
  };
  const std::string pgNoDb = "host=" + zeltest::PgHost() + " dbname=nosuchdb";
  const Case cases[] = {
      {"no Msg folder", [](Installation& i) { fs::remove_all(i.Msg()); },
       [](Installation& i) { return std::vector<std::string>{"zelrun: no Msg folder: " + Full(i.Msg()) + "\n"}; }},
      {"Msg is a file",
       [](Installation& i) {
         fs::remove_all(i.Msg());
         WriteFile(i.Msg(), "");
       },
       [](Installation& i) {
         return std::vector<std::string>{"zelrun: Msg is not a folder: " + Full(i.Msg()) + "\n"};
       }},
      {"no configuration file", [](Installation& i) { fs::remove(i.IniFile()); },
       [](Installation& i) {
         return std::vector<std::string>{"zelrun: no configuration file: " + Full(i.IniFile()) + "\n"};
       }},
      {"a configuration value missing", [](Installation& i) { DropNet8(i); },
       [](Installation& i) {
         return std::vector<std::string>{"zelrun: configuration value NET8 missing: " + Full(i.IniFile()) + "\n"};
       }},
      {"a configuration value garbled", [](Installation& i) { GarbleNet8(i); },
       [](Installation& i) {
         return std::vector<std::string>{"zelrun: configuration value NET8 not decipherable: " + Full(i.IniFile()) +
                                         "\n"};
       }},
      {"database unreachable",
       [&](Installation& i) {
         if (OnPostgres()) {
           i.Configure("postgres", "secret", pgNoDb);
         } else {
           fs::remove(i.DbFile());
         }
       },
       [&](Installation& i) {
         return OnPostgres()
                    ? std::vector<std::string>{"zelrun: database unreachable (status -12154): " + pgNoDb + "\n"}
                    : std::vector<std::string>{"zelrun: no database file: " + Full(i.DbFile()) + "\n"};
       }},
      {"database without its download table", [](Installation& i) { i.Db().Exec("drop table Mvs510Prv"); },
       [](Installation& i) {
         const std::string target = OnPostgres() ? i.Net8() : Full(i.DbFile());
         return std::vector<std::string>{"zelrun: database read of Mvs510Prv failed (status -942): " + target + "\n"};
       }},
      {"download program missing", [](Installation& i) { fs::remove(i.Work() / "ZELDNLSTD.EXE"); },
       [](Installation& i) {
         return std::vector<std::string>{"zelrun: download program not found in the working directory or on PATH: " +
                                         Full(i.Work() / "ZELDNLSTD.EXE") + "\n"};
       }},
      {"every problem, not only the first",
       [](Installation& i) {
         fs::remove_all(i.Msg());
         fs::remove(i.Work() / "ZELDNLSTD.EXE");
         DropNet8(i);
       },
       [](Installation& i) {
         return std::vector<std::string>{"zelrun: configuration value NET8 missing: " + Full(i.IniFile()) + "\n",
                                         "zelrun: no Msg folder: " + Full(i.Msg()) + "\n",
                                         "zelrun: download program not found in the working directory or on PATH: " +
                                             Full(i.Work() / "ZELDNLSTD.EXE") + "\n"};
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Installation inst;
    c.breakIt(inst);
    inst.CloseDb();
    const ProcessResult r = Zelrun(inst, {"A"});
    EXPECT_EQ(r.exitCode, 3) << r.output;
    for (const std::string& text : c.expected(inst)) EXPECT_NE(r.output.find(text), std::string::npos) << r.output;
    // Only problem lines: the job did not run, and the checks (the connect
    // among them) wrote nothing into the logs.
    EXPECT_EQ(r.output.find("zelrun: A "), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(inst.Msg() / "ZelWrkJob.txt"));
    EXPECT_FALSE(fs::exists(inst.Msg() / "WrkJobLog.Txt"));
    EXPECT_FALSE(fs::exists(inst.DownloadRecord()));
  }
}

// Root may write any file, so what root may not write is tried with another
// account: the installation is handed to it, and the one part under test
// is kept back.
TEST(ZelRun, LogsThisUserMayNotWriteFailThePreCheck) {
  const struct passwd* other = ::geteuid() == 0 ? ::getpwnam("nobody") : nullptr;
  if (::geteuid() == 0 && !other) GTEST_SKIP() << "runs as root and there is no account 'nobody' to run as";
  struct Case {
    const char* what;
    std::string part;  // below the working directory
    bool folder;
    std::string line;
  } cases[] = {
      {"Msg read-only", "Msg", true, "zelrun: Msg folder not writable by this user: "},
      {"message log read-only", "Msg/ZelWrkJob.txt", false, "zelrun: log file not writable by this user: "},
      {"old generation read-only", "Msg/ZelWrkJob.old", false, "zelrun: log file not writable by this user: "},
      {"job log read-only", "Msg/WrkJobLog.Txt", false, "zelrun: log file not writable by this user: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Installation inst;
    const path part = inst.Work() / c.part;
    if (!c.folder) WriteFile(part, "");
    std::vector<std::string> argv{Program("zelrun"), "--dir", inst.Work().string(), "A"};
    if (other) {
      for (const auto& e : fs::recursive_directory_iterator(inst.Root())) {
        ASSERT_EQ(::lchown(e.path().c_str(), other->pw_uid, other->pw_gid), 0) << e.path();
      }
      ASSERT_EQ(::chown(inst.Root().c_str(), other->pw_uid, other->pw_gid), 0);
      ASSERT_EQ(::chown(part.c_str(), 0, 0), 0);
      ASSERT_EQ(::chmod(part.c_str(), c.folder ? 0755 : 0644), 0);
      argv.insert(argv.begin(), {Program("zellaunch"), "--user", "nobody", "--"});
    } else {
      fs::permissions(part, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                      fs::perm_options::remove);
    }
    const auto before = ReadFile(part.string() + (c.folder ? "/ZelWrkJob.txt" : ""));
    const ProcessResult r = RunProcess(argv, "/");
    EXPECT_EQ(r.exitCode, 3) << r.output;
    EXPECT_NE(r.output.find(c.line + Full(part) + "\n"), std::string::npos) << r.output;
    EXPECT_EQ(ReadFile(part.string() + (c.folder ? "/ZelWrkJob.txt" : "")), before);
  }
}

// The summary line of a clean run: duration, then what the run wrote.
const std::regex kCleanU(R"(zelrun: U [0-9]+\.[0-9] s, ([0-9]+) change lines, 0 failure entries, section ended\n)");
const std::regex kCleanJson(
    R"(\{"letter":"A","args":\["A"\],"duration_s":[0-9]+\.[0-9],"change_lines":([0-9]+),"failures":\[\],)"
    R"("section_ended":true,"exit_code":0\})"
    "\n");

// The job-log lines from line `from` on that are neither headers nor empty.
std::string ChangeLinesFrom(const Installation& inst, std::size_t from) {
  std::size_t n = 0;
  const std::vector<std::string> lines = inst.JobLines();
  for (std::size_t i = from; i < lines.size(); ++i) n += !lines[i].empty() && lines[i].rfind("Datum: ", 0) != 0;
  return std::to_string(n);
}

TEST(ZelRun, CleanRunCountsOnlyWhatThisRunWrote) {
  Installation inst(/*demoData=*/true);
  // What earlier runs left in both logs does not count.
  const std::string earlierEntry =
      "\xFE\r\nSystem-Date: 01.12.26\r\nSystem-Time: 09:00:00\r\nMsgArt_____: FMSG \r\n"
      "Message____: frueher\r\nFunktion___: Earlier\r\nErrorCode__: -1\r\n";
  // A run killed inside its writes left the start of an entry and of a line;
  // the job cuts the line off before its header, and the entry stays, since
  // this run writes none.
  const std::string tornEntry = earlierEntry.substr(0, 40);
  WriteFile(inst.Msg() / "ZelWrkJob.txt", earlierEntry + tornEntry);
  WriteFile(inst.Msg() / "WrkJobLog.Txt", "Datum: 01.12.2026  Uhrzeit: 09:00:00\r\nfrueher\r\n\r\nDatum: 02.12");

  const ProcessResult u = Zelrun(inst, {"U"});
  EXPECT_EQ(u.exitCode, 0) << u.output;
  std::smatch m;
  ASSERT_TRUE(std::regex_match(u.output, m, kCleanU)) << u.output;
  EXPECT_NE(m[1].str(), "0");
  EXPECT_EQ(m[1].str(), ChangeLinesFrom(inst, 3));
  EXPECT_EQ(inst.MessageLog(), earlierEntry + tornEntry);

  // The demo data's findings that every full check writes again.
  const std::size_t before = inst.JobLines().size();
  const ProcessResult a = Zelrun(inst, {"--json", "A"});
  EXPECT_EQ(a.exitCode, 0) << a.output;
  ASSERT_TRUE(std::regex_match(a.output, m, kCleanJson)) << a.output;
  EXPECT_EQ(m[1].str(), ChangeLinesFrom(inst, before));
}

// A stand-in for zelwrkjob (given with --program) that writes three entries
// and one section of two lines; with `rotate`, it rotates the message log
// between the second and the third entry, as zelwrkjob does after 3000.
std::string StandIn(bool rotate) {
  std::string s =
      "#!/bin/sh\n"
      "entry() { printf '\\376\\r\\nSystem-Date: 09.12.26\\r\\nSystem-Time: 10:00:00\\r\\nMsgArt_____: FMSG \\r\\n"
      "Message____: %s\\r\\nFunktion___: %s\\r\\nErrorCode__: %s\\r\\n' \"$1\" \"$2\" \"$3\" >> Msg/ZelWrkJob.txt; }\n"
      "printf 'Datum: 09.12.2026  Uhrzeit: 10:00:00\\r\\neins\\r\\n' >> Msg/WrkJobLog.Txt\n"
      "entry m First -1\n"
      "entry m Zweite 1403\n";
  if (rotate) s += "rm -f Msg/ZelWrkJob.old\nmv Msg/ZelWrkJob.txt Msg/ZelWrkJob.old\n";
  s += "entry m 'Dr\"itte\\\xC3\x84\xFF' -3\n"
       "printf 'zwei\\r\\n\\r\\n' >> Msg/WrkJobLog.Txt\n";
  return s;
}

TEST(ZelRun, FailureEntriesOfTheRunGiveFive) {
  struct Case {
    const char* what;
    bool rotate;
  } cases[] = {{"entries appended to the log", false}, {"the log rotated during the run", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Installation inst;
    WriteFile(inst.Msg() / "ZelWrkJob.txt",
              "\xFE\r\nMsgArt_____: FMSG \r\nMessage____: a\r\nFunktion___: Earlier\r\nErrorCode__: -1\r\n");
    WriteFile(inst.Msg() / "ZelWrkJob.old",
              "\xFE\r\nMsgArt_____: FMSG \r\nMessage____: a\r\nFunktion___: Oldest\r\nErrorCode__: -1\r\n");
    const path standIn = inst.Root() / "standin.sh";
    WriteFile(standIn, StandIn(c.rotate));
    fs::permissions(standIn, fs::perms::owner_all);

    const ProcessResult text = Zelrun(inst, {"--program", standIn.string(), "A"});
    EXPECT_EQ(text.exitCode, 5) << text.output;
    EXPECT_TRUE(std::regex_match(
        text.output, std::regex("zelrun: A [0-9.]+ s, 2 change lines, 3 failure entries \\(First -1, Zweite 1403, "
                                "Dr\"itte\\\\\xC3\x84\xFF -3\\), section ended\n")))
        << text.output;

    // The second run must not count the first run's entries either, and its
    // JSON holds the texts escaped: quote, backslash, UTF-8 as it is, and a
    // byte that is no UTF-8 as U+FFFD.
    const ProcessResult json = Zelrun(inst, {"--json", "--program", standIn.string(), "A"});
    EXPECT_EQ(json.exitCode, 5) << json.output;
    EXPECT_TRUE(std::regex_match(
        json.output, std::regex(R"(\{"letter":"A","args":\["A"\],"duration_s":[0-9.]+,"change_lines":2,"failures":\[)"
                                R"(\{"function":"First","code":-1\},\{"function":"Zweite","code":1403\},)"
                                R"(\{"function":"Dr\\"itte\\\\)"
                                "\xC3\x84"
                                R"(\\ufffd","code":-3\}\],"section_ended":true,"exit_code":5\}\n)")))
        << json.output;
  }
}

TEST(ZelRun, EmptyingAnEmptyTableIsAFailureOfTheRealJob) {
  // Also after a run killed inside an entry's write: the job cuts that part
  // off before its own entry, and only its own entry is counted.
  const std::string torn = "\xFE\r\nSystem-Date: 01.12.26\r\nSystem-Ti";
  for (const std::string& before : {std::string(), torn}) {
    SCOPED_TRACE(before.empty() ? "no log yet" : "log ending in an unfinished entry");
    Installation inst;
    if (!before.empty()) WriteFile(inst.Msg() / "ZelWrkJob.txt", before);
    const ProcessResult r = Zelrun(inst, {"L"});
    EXPECT_EQ(r.exitCode, 5) << r.output;
    EXPECT_TRUE(std::regex_match(
        r.output,
        std::regex(R"(zelrun: L [0-9.]+ s, 0 change lines, 1 failure entry \(Prv_Delete\(\) 1403\), no section\n)")))
        << r.output;
    EXPECT_EQ(inst.MessageLog().find("System-Ti\xFE"), std::string::npos);
  }
}

// zelwrkjob U against a database that another program holds: its first
// insert waits (5 s, and U goes on to the next), and zelrun ends it inside
// its first section, when the timeout has passed or when zelrun itself is
// asked to stop (SIGTERM).
TEST(ZelRun, KilledRunGivesSixWithItsSectionOpen) {
  struct Case {
    const char* what;
    std::vector<std::string> argv;
    std::string why;
  } cases[] = {
      {"timeout", {Program("zelrun"), "--timeout", "3", "U"}, "ran longer than 3 s and was killed\n"},
      // The stop comes once the job has begun its section.
      {"stop request",
       {"/bin/sh", "-c",
        "\"$0\" U & pid=$!; "
        "for i in $(seq 200); do grep -q Datum Msg/WrkJobLog.Txt 2>/dev/null && break; sleep 0.1; done; "
        "kill -TERM $pid; wait $pid",
        Program("zelrun")},
       "asked to stop; " + Program("zelwrkjob") + " was killed\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Installation inst(/*demoData=*/true);
    zeltest::DbClient holder(inst.Target());
    holder.Exec(OnPostgres() ? "begin; lock table Mvs510Prv in exclusive mode" : "begin exclusive");
    const ProcessResult r = RunProcess(c.argv, inst.Work());
    holder.Exec("commit");
    EXPECT_EQ(r.exitCode, 6) << r.output;
    EXPECT_NE(r.output.find(c.why), std::string::npos) << r.output;
    EXPECT_TRUE(std::regex_search(
        r.output, std::regex(R"(\nzelrun: U [0-9.]+ s, [0-9]+ change lines?, 0 failure entries, section open\n$)")))
        << r.output;
    // The job is gone with zelrun: with the database free again, nobody
    // ends the section.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const std::vector<std::string> lines = inst.JobLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].rfind("Datum: ", 0), 0u);
    EXPECT_NE(lines.back(), "");
    EXPECT_FALSE(fs::exists(inst.DownloadRecord()));
  }
}

TEST(ZelRun, OverlappingRunGivesFourOrWaitsForTheLock) {
  Installation inst;
  FillPrv(inst, 3);
  inst.CloseDb();
  int held = -1;
  ASSERT_EQ(Plat_RunLockAcquire((inst.Msg() / "zelrun.lock").string(), 0, held), PlatRunLockResult::Held);

  const ProcessResult refused = Zelrun(inst, {"L"});
  EXPECT_EQ(refused.exitCode, 4) << refused.output;
  EXPECT_EQ(refused.output, "zelrun: another run holds the lock: " + Full(inst.Msg() / "zelrun.lock") + "\n");
  EXPECT_FALSE(fs::exists(inst.DownloadRecord()));

  PlatProcess waiting = PlatProcess::Start(
      {{Program("zelrun"), "--wait", "30", "--dir", inst.Work().string(), "L"}, "/", "", PlatOutput::Capture, ""});
  // Still waiting while the lock is held.
  EXPECT_FALSE(waiting.WaitUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(700)));
  Plat_RunLockRelease(held);
  const PlatExit done = waiting.Wait();
  EXPECT_EQ(done.exitCode, 0) << done.output;
  EXPECT_TRUE(std::regex_match(done.output,
                               std::regex(R"(zelrun: L [0-9.]+ s, 0 change lines, 0 failure entries, no section\n)")))
      << done.output;
  EXPECT_EQ(inst.Db().Value("select count(*) from Mvs510Prv"), "0");
}

TEST(ZelRun, ArgumentsThatSelectNoJobAreUsageErrors) {
  struct Case {
    std::vector<std::string> args;
    int exitCode;
  } cases[] = {
      {{}, 2},
      {{"List"}, 2},  // zelwrkjob would run L
      {{"Axyz"}, 2},  // ... and A
      {{"a"}, 2},     // case matters
      {{"X"}, 2},     // no job
      {{""}, 2},
      {{"--bogus", "A"}, 2},
      {{"--timeout", "0", "A"}, 2},
      {{"--wait"}, 2},
      {{"--verify", "L"}, 2},  // a verify runs no job
      {{"--all", "L"}, 2},     // --all belongs to --verify: L must not run
      {{"--meant", "List"}, 0},  // meant: L runs, with the argument as given
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "(none)" : c.args.back());
    Installation inst;
    FillPrv(inst, 2);
    const ProcessResult r = Zelrun(inst, c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.output;
    if (c.exitCode == 2) {
      EXPECT_NE(r.output.find("(see zelrun --help)\n"), std::string::npos) << r.output;
      EXPECT_EQ(inst.Db().Value("select count(*) from Mvs510Prv"), "2");
      EXPECT_FALSE(fs::exists(inst.Msg() / "zelrun.lock"));
    } else {
      EXPECT_EQ(inst.Db().Value("select count(*) from Mvs510Prv"), "0");
    }
  }
}

}  // namespace
