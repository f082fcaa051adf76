// zelrun as a real process around the real zelwrkjob: the pre-checks, the
// lock against overlapping runs, the exit codes, and the summary of what the
// run (and only the run) wrote to the two logs.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <ctime>
#include <cstdlib>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "InstallationSupport.h"
#include "tools/platform/RunLock.h"

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

// Today plus `offset` days on this machine, "yyyy-mm-dd": the demo data's
// today, and on the test servers the database's.
std::string LocalDay(int offset) {
  const std::time_t now = std::time(nullptr);
  std::tm day{};
  ::localtime_r(&now, &day);
  day.tm_mday += offset;
  day.tm_hour = 12;
  std::mktime(&day);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &day);
  return text;
}

// The calendar as the checks see it: its schema's table on PostgreSQL.
std::string Calendar() { return OnPostgres() ? "MvSystem.Mvs133Bak" : "Mvs133Bak"; }

// What a schema without demo data needs to pass the checks: the calendar
// rows of yesterday and today and the one default code.
void AddCalendarAndDefaultCode(Installation& inst) {
  for (int offset : {-1, 0}) {
    inst.Db().Exec("insert into " + Calendar() + " (BakDtm) values ('" + LocalDay(offset) + " 00:00:00')");
  }
  inst.Db().Exec("insert into Mvs559Fbe (FbeTyp, FbeFbe, FbeBez) values (1, 'FB01', 'Standard')");
}

// The database as zelrun names it in a problem line.
std::string DatabaseTarget(const Installation& inst) { return OnPostgres() ? inst.Net8() : Full(inst.DbFile()); }

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
    Installation::Data data = Installation::Data::kSchema;
    bool json = false;  // run with --json
  };
  const std::string today = LocalDay(0), yesterday = LocalDay(-1);
  const std::string emptied = ": the night would empty every person's cost centre and mark it AEN: ";
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
                    ? std::vector<std::string>{"zelrun: database unreachable (status -12154, database named by NET8 "
                                               "not found or not openable): " +
                                               pgNoDb + "\n"}
                    : std::vector<std::string>{"zelrun: no database file: " + Full(i.DbFile()) + "\n"};
       }},
      {"database without its download table", [](Installation& i) { i.Db().Exec("drop table Mvs510Prv"); },
       [](Installation& i) {
         const std::string target = OnPostgres() ? i.Net8() : Full(i.DbFile());
         return std::vector<std::string>{
             "zelrun: database read of Mvs510Prv failed (status -942, table or view does not exist): " + target +
             "\n"};
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
      // Master data that the job would take as they are: one day of the
      // personnel export missing, or the whole of it.
      {"no cost centres for today",
       [&](Installation& i) { i.Db().Exec("delete from Mvs329Ztg where ZtgVon = '" + today + " 00:00:00'"); },
       [&](Installation& i) {
         return std::vector<std::string>{"zelrun: Mvs329Ztg holds no cost centre for " + today + " (last day " +
                                         yesterday + ")" + emptied + DatabaseTarget(i) + "\n"};
       },
       Installation::Data::kDemo},
      {"no cost centres at all while persons are employed",
       [](Installation& i) { i.Db().Exec("delete from Mvs329Ztg"); },
       [&](Installation& i) {
         return std::vector<std::string>{"zelrun: Mvs329Ztg holds no cost centre for " + today +
                                         " (none up to that day, 35 persons employed)" + emptied + DatabaseTarget(i) +
                                         "\n"};
       },
       Installation::Data::kDemo},
      {"no calendar row for yesterday",
       [&](Installation& i) {
         i.Db().Exec("delete from " + Calendar() + " where BakDtm = '" + yesterday + " 00:00:00'");
       },
       [&](Installation& i) {
         return std::vector<std::string>{"zelrun: MvSystem.Mvs133Bak holds no calendar row for " + yesterday +
                                         ": the night would give every badge it ends " + today +
                                         " as its last day instead of " + yesterday + ": " + DatabaseTarget(i) + "\n"};
       },
       Installation::Data::kDemo},
      {"no calendar row for today",
       [&](Installation& i) { i.Db().Exec("delete from " + Calendar() + " where BakDtm = '" + today + " 00:00:00'"); },
       [&](Installation& i) {
         return std::vector<std::string>{"zelrun: MvSystem.Mvs133Bak holds no calendar row for " + today +
                                         ": the calendar is not filled ahead, and the next night would give every "
                                         "badge it ends its run day as its last day: " +
                                         DatabaseTarget(i) + "\n"};
       },
       Installation::Data::kDemo},
      {"two default codes",
       [](Installation& i) {
         i.Db().Exec("insert into Mvs559Fbe (FbeTyp, FbeFbe, FbeBez) values (1, 'FB02', 'Zweit')");
       },
       [](Installation& i) {
         return std::vector<std::string>{"zelrun: Mvs559Fbe holds 2 rows with FbeTyp 1, not exactly one: the night "
                                         "would insert every new download row with an empty PrvFbe: " +
                                         DatabaseTarget(i) + "\n"};
       },
       Installation::Data::kDemo},
      // An empty calendar and default code harm whoever the night brings;
      // empty cost centres harm nobody while nobody is employed.
      {"a schema without master data", [](Installation&) {},
       [&](Installation&) {
         return std::vector<std::string>{
             "zelrun: MvSystem.Mvs133Bak holds no calendar row for " + yesterday + " nor for " + today + ": ",
             "zelrun: Mvs559Fbe holds 0 rows with FbeTyp 1, not exactly one: "};
       }},
      // The problems on standard error as before, and the object for monitoring.
      {"every problem, as JSON",
       [](Installation& i) {
         fs::remove_all(i.Msg());
         DropNet8(i);
       },
       [](Installation& i) {
         const std::string missing = "configuration value NET8 missing: " + Full(i.IniFile());
         const std::string noMsg = "no Msg folder: " + Full(i.Msg());
         return std::vector<std::string>{"zelrun: " + missing + "\nzelrun: " + noMsg + "\n",
                                         R"({"letter":"A","args":["A"],"problems":[")" + missing + R"(",")" + noMsg +
                                             R"("],"warnings":[],"exit_code":3})" + "\n"};
       },
       Installation::Data::kSchema, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Installation inst(c.data);
    c.breakIt(inst);
    inst.CloseDb();
    const ProcessResult r =
        Zelrun(inst, c.json ? std::vector<std::string>{"--json", "A"} : std::vector<std::string>{"A"});
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

// A time zone whose day is not this machine's now: UTC+14 or UTC-12, one
// of which lies on another day at any hour.
std::string ZoneOfAnotherDay() {
  const std::time_t now = std::time(nullptr);
  const std::time_t east = now + 14 * 3600;
  std::tm local{}, eastern{};
  ::localtime_r(&now, &local);
  ::gmtime_r(&east, &eastern);
  return eastern.tm_mday != local.tm_mday ? "Pacific/Kiritimati" : "Etc/GMT+12";
}

// The checks on the database's session pass a fit site and the checks a
// site skips on purpose; a database session in another time zone fails,
// with both times named (staged on PostgreSQL and ODBC: SQLite's clock is
// the machine's).
TEST(ZelRun, DatabaseChecksPassAFitSiteOrWhatTheSiteSkips) {
  const auto shiftZone = [](Installation& i) {
    if (!OnPostgres()) return false;
    i.Db().Exec("DO $$BEGIN EXECUTE format('ALTER DATABASE %I SET timezone = %L', current_database(), '" +
                ZoneOfAnotherDay() + "'); END$$");
    return true;
  };
  const std::string clean =
      R"(zelrun: [AL] [0-9.]+ s, [0-9]+ change lines?, 0 failure entries, (section ended|no section)\n)";
  struct Case {
    const char* what;
    Installation::Data data;
    std::function<bool(Installation&)> stage;  // false: cannot be staged on this engine
    std::vector<std::string> args;
    int exitCode;
    std::string output;  // a regular expression
  } cases[] = {
      {"the demo site", Installation::Data::kDemo, [](Installation&) { return true; }, {"A"}, 0, clean},
      {"a schema with calendar and default code, nobody employed", Installation::Data::kSchema,
       [](Installation& i) {
         AddCalendarAndDefaultCode(i);
         return true;
       },
       {"A"}, 0, clean},
      {"no cost centres for today, skipped", Installation::Data::kDemo,
       [](Installation& i) {
         i.Db().Exec("delete from Mvs329Ztg where ZtgVon = '" + LocalDay(0) + " 00:00:00'");
         return true;
       },
       {"--skip-check", "cost-centres", "A"}, 0, clean},
      {"neither calendar nor default code, both skipped", Installation::Data::kSchema,
       [](Installation&) { return true; }, {"--skip-check", "calendar", "--skip-check=default-code", "A"}, 0, clean},
      {"a database session in another time zone", Installation::Data::kDemo, shiftZone, {"L"}, 3,
       "zelrun: the database's time ([0-9-]{10}) [0-9:]{8} is not this machine's " + LocalDay(0) +
           " [0-9:]{8} \\(another day, or more than 5 minutes apart\\): the night would take its run day from the "
           "machine and every statement's today from the database: "},
      // A server a day ahead also finds no cost centres for its today.
      {"a database session in another time zone, skipped", Installation::Data::kDemo, shiftZone,
       {"--skip-check", "clock", "--skip-check", "cost-centres", "L"}, 0, clean},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Installation inst(c.data);
    if (!c.stage(inst)) continue;
    inst.CloseDb();
    const ProcessResult r = Zelrun(inst, c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.output;
    std::smatch m;
    if (c.exitCode == 0) {
      EXPECT_TRUE(std::regex_match(r.output, std::regex(c.output))) << r.output;
    } else {
      const bool named = std::regex_search(r.output, m, std::regex(c.output + DatabaseTarget(inst) + "\n"));
      EXPECT_TRUE(named) << r.output;
      if (named) {
        EXPECT_NE(m[1].str(), LocalDay(0));
      }
    }
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
    R"("section_ended":true,"other_writer":false,"warnings":\[\],"exit_code":0\})"
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
// and one section of two lines, stamped with the time it starts as the job
// stamps its sections; with `rotate`, it rotates the message log between the
// second and the third entry, as zelwrkjob does after 3000.
std::string StandIn(bool rotate) {
  std::string s =
      "#!/bin/sh\n"
      "entry() { printf '\\376\\r\\nSystem-Date: 09.12.26\\r\\nSystem-Time: 10:00:00\\r\\nMsgArt_____: FMSG \\r\\n"
      "Message____: %s\\r\\nFunktion___: %s\\r\\nErrorCode__: %s\\r\\n' \"$1\" \"$2\" \"$3\" >> Msg/ZelWrkJob.txt; }\n"
      "printf 'Datum: %s\\r\\neins\\r\\n' \"$(date '+%d.%m.%Y  Uhrzeit: %H:%M:%S')\" >> Msg/WrkJobLog.Txt\n"
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
    AddCalendarAndDefaultCode(inst);
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
                                R"(\\ufffd","code":-3\}\],"section_ended":true,"other_writer":false,"warnings":\[\],)"
                                R"("exit_code":5\}\n)")))
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
    AddCalendarAndDefaultCode(inst);
    inst.CloseDb();
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
// insert waits (5 s, then fails and U goes on to the next), and zelrun ends
// it inside its first section, when the timeout has passed or when zelrun
// itself is asked to stop (SIGTERM). Killed after its first failure entry,
// the run still did not finish: 6, not 5. zelrun killed outright (SIGKILL)
// says nothing, but its job must not run on without the lock.
TEST(ZelRun, KilledRunGivesSixWithItsSectionOpen) {
  struct Case {
    const char* what;
    std::vector<std::string> argv;
    std::string why;                            // empty: zelrun was killed and says nothing
    std::string entries = "0 failure entries";  // as the summary names them (a regular expression)
  } cases[] = {
      {"timeout", {Program("zelrun"), "--timeout", "3", "U"}, "ran longer than 3 s and was killed\n"},
      {"timeout after a failure entry",
       {Program("zelrun"), "--timeout", "8", "U"},
       "ran longer than 8 s and was killed\n",
       R"([1-9][0-9]* failure entr(y|ies) \(Prv_PKey[A-Za-z]+\(\) -54.*\))"},
      // The stop comes once the job has begun its section.
      {"stop request",
       {"/bin/sh", "-c",
        "\"$0\" U & pid=$!; "
        "for i in $(seq 200); do grep -q Datum Msg/WrkJobLog.Txt 2>/dev/null && break; sleep 0.1; done; "
        "kill -TERM $pid; wait $pid",
        Program("zelrun")},
       "asked to stop; " + Program("zelwrkjob") + " was killed\n"},
      {"zelrun killed",
       {"/bin/sh", "-c",
        "\"$0\" U & pid=$!; "
        "for i in $(seq 200); do grep -q Datum Msg/WrkJobLog.Txt 2>/dev/null && break; sleep 0.1; done; "
        "kill -KILL $pid; wait $pid",
        Program("zelrun")},
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Installation inst(/*demoData=*/true);
    zeltest::DbClient holder(inst.Target());
    holder.Exec(OnPostgres() ? "begin; lock table Mvs510Prv in exclusive mode" : "begin exclusive");
    const ProcessResult r = RunProcess(c.argv, inst.Work());
    holder.Exec("commit");
    if (c.why.empty()) {
      EXPECT_EQ(r.exitCode, 128 + SIGKILL) << r.output;
    } else {
      EXPECT_EQ(r.exitCode, 6) << r.output;
      EXPECT_NE(r.output.find(c.why), std::string::npos) << r.output;
      EXPECT_TRUE(std::regex_search(
          r.output, std::regex(R"(\nzelrun: U [0-9.]+ s, [0-9]+ change lines?, )" + c.entries + ", section open\n$")))
          << r.output;
    }
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

// The samples of a metrics file ("name{labels}" to value), read by the
// Prometheus text format's own rules; every breach fails the test. The
// format ends each line with LF alone, on Windows too: a CR before it would
// belong to the value, which then no longer parses.
std::map<std::string, double> ParseMetrics(const std::string& text) {
  static const std::regex kName("[a-zA-Z_:][a-zA-Z0-9_:]*");
  static const std::regex kSample(R"(([a-zA-Z_:][a-zA-Z0-9_:]*)(?:\{(.*)\})? ([^ ]+)( -?[0-9]+)?)");
  static const std::regex kLabel(R"(([a-zA-Z_][a-zA-Z0-9_]*)="((?:[^"\\\n]|\\[\\"n])*)\"(,|$))");
  static const std::regex kType(" (counter|gauge|histogram|summary|untyped)");
  std::map<std::string, double> samples;
  std::set<std::string> help, type, sampled, over;  // `over`: families whose samples have ended
  std::string current;
  EXPECT_TRUE(text.empty() || text.back() == '\n');
  EXPECT_EQ(text.find('\r'), std::string::npos);
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    SCOPED_TRACE(line);
    std::smatch m;
    if (line.rfind("# HELP ", 0) == 0 || line.rfind("# TYPE ", 0) == 0) {
      const std::string rest = line.substr(7);
      const std::string name = rest.substr(0, rest.find(' '));
      EXPECT_TRUE(std::regex_match(name, kName));
      EXPECT_TRUE((line[2] == 'T' ? type : help).insert(name).second) << "given twice";
      EXPECT_FALSE(sampled.count(name)) << "after the family's samples";
      if (line[2] == 'T') {
        EXPECT_TRUE(std::regex_match(rest.substr(name.size()), kType));
      }
      continue;
    }
    if (line.empty() || line[0] == '#') continue;
    if (!std::regex_match(line, m, kSample)) {
      ADD_FAILURE() << "not a sample";
      continue;
    }
    const std::string name = m[1];
    std::string labels = m[2];
    const std::string key = name + "{" + labels + "}";
    for (std::smatch l; !labels.empty(); labels = l.suffix()) {
      if (!std::regex_search(labels, l, kLabel, std::regex_constants::match_continuous)) {
        ADD_FAILURE() << "bad label: " << labels;
        break;
      }
    }
    char* end = nullptr;
    const std::string value = m[3];
    const double v = std::strtod(value.c_str(), &end);
    EXPECT_EQ(end, value.c_str() + value.size()) << "not a float";
    EXPECT_TRUE(type.count(name) && help.count(name)) << "no HELP and TYPE before the samples";
    if (name != current) {
      EXPECT_FALSE(over.count(name)) << "the family's samples come in two parts";
      over.insert(current);
      current = name;
    }
    sampled.insert(name);
    EXPECT_TRUE(samples.emplace(key, v).second) << "sample given twice";
  }
  return samples;
}

// The samples of one letter, by name.
std::map<std::string, double> OfLetter(const std::map<std::string, double>& samples, char letter) {
  std::map<std::string, double> out;
  const std::string label = std::string("{letter=\"") + letter + "\"}";
  for (const auto& [key, value] : samples) {
    if (key.size() > label.size() && key.compare(key.size() - label.size(), label.size(), label) == 0) {
      out[key.substr(0, key.size() - label.size())] = value;
    }
  }
  return out;
}

TEST(ZelRun, MetricsFileKeepsTheLastRunOfEachLetter) {
  Installation inst;
  AddCalendarAndDefaultCode(inst);
  const path file = inst.Root() / "textfile" / "zelrun.prom";
  const std::string metrics = "--metrics=" + file.string();
  // What is not a sample as zelrun writes it is dropped; another letter's
  // sample stays.
  fs::create_directories(file.parent_path());
  WriteFile(file, "# HELP zelrun_\nzelrun_last_run_exit_code{letter=\"S\"} 5\nzelrun_last_run_exit_code{letter=\"L\"} 1x\n"
                  "zelrun_last_run_exit_code{letter=\"X\"} 1\nzelrun_last_run_exit_code{letter=\"L\",a=\"b\"} 1\n"
                  "zelrun_last_run_exit_code{letter=\"L\"} NaN\nother_metric 1\ngarbage\n");
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);

  const ProcessResult u = Zelrun(inst, {metrics, "U"});
  ASSERT_EQ(u.exitCode, 0) << u.output;
  const std::map<std::string, double> afterU = ParseMetrics(ReadFile(file));
  const std::map<std::string, double> clean = OfLetter(afterU, 'U');
  EXPECT_EQ(clean, (std::map<std::string, double>{
                       {"zelrun_last_run_change_lines", 0},
                       {"zelrun_last_run_duration_seconds", clean.at("zelrun_last_run_duration_seconds")},
                       {"zelrun_last_run_exit_code", 0},
                       {"zelrun_last_run_failure_entries", 0},
                       {"zelrun_last_run_section_ended", 1},
                       {"zelrun_last_run_timestamp_seconds", clean.at("zelrun_last_run_timestamp_seconds")},
                       {"zelrun_last_success_timestamp_seconds", clean.at("zelrun_last_run_timestamp_seconds")},
                   }));
  EXPECT_NEAR(clean.at("zelrun_last_run_timestamp_seconds"), static_cast<double>(std::time(nullptr)), 60);
  EXPECT_GT(clean.at("zelrun_last_run_duration_seconds"), 0);
  EXPECT_EQ(OfLetter(afterU, 'S'), (std::map<std::string, double>{{"zelrun_last_run_exit_code", 5}}));
  EXPECT_EQ(afterU.size(), clean.size() + 1);
  // Replaced whole, keeping the file's rights, and no temporary file stays
  // where the collector looks.
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(file.parent_path())) names.insert(e.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"zelrun.prom", "zelrun.prom.lock"}));

  // Failed pre-checks update their own letter and keep the others; U keeps
  // the time of its last clean run.
  fs::remove(inst.Work() / "ZELDNLSTD.EXE");
  const ProcessResult a = Zelrun(inst, {metrics, "A"});
  EXPECT_EQ(a.exitCode, 3) << a.output;
  const ProcessResult failedU = Zelrun(inst, {metrics, "U"});
  EXPECT_EQ(failedU.exitCode, 3) << failedU.output;
  const std::map<std::string, double> after = ParseMetrics(ReadFile(file));
  const std::map<std::string, double> failed = OfLetter(after, 'A');
  EXPECT_EQ(failed.size(), clean.size());
  EXPECT_EQ(failed.at("zelrun_last_run_exit_code"), 3);
  EXPECT_EQ(failed.at("zelrun_last_success_timestamp_seconds"), 0);
  EXPECT_EQ(OfLetter(after, 'U').at("zelrun_last_success_timestamp_seconds"),
            clean.at("zelrun_last_success_timestamp_seconds"));
  EXPECT_EQ(OfLetter(after, 'U').at("zelrun_last_run_exit_code"), 3);
  EXPECT_EQ(OfLetter(after, 'S'), OfLetter(afterU, 'S'));

  // A new file is readable by the collector's account. A file that zelrun
  // did not write is left alone, which is reported and leaves the exit code.
  const path fresh = inst.Root() / "textfile" / "new.prom";
  EXPECT_EQ(Zelrun(inst, {"--metrics", fresh.string(), "A"}).exitCode, 3);
  EXPECT_EQ(fs::status(fresh).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
  const std::string ini = ReadFile(inst.IniFile());
  const ProcessResult foreign = Zelrun(inst, {"--metrics", inst.IniFile(), "A"});
  EXPECT_EQ(foreign.exitCode, 3) << foreign.output;
  EXPECT_NE(foreign.output.find("zelrun: metrics file not written: "), std::string::npos) << foreign.output;
  EXPECT_EQ(ReadFile(inst.IniFile()), ini);
}

// Another zelwrkjob writes into both logs while zelrun runs: an S for a badge
// that has no assignment (a section without lines and one entry) and, in the
// first case, an A (a section with the demo data's findings). Its sections do
// not count and the run says so; its entry counts, since entries cannot be
// told apart.
TEST(ZelRun, AnotherRunsSectionsDoNotCount) {
  struct Case {
    const char* what;
    bool inside;  // inside the job's section, else before it
  } cases[] = {{"written before the job's section", false}, {"written inside the job's section", true}};
  const std::string otherS = "'" + Program("zelwrkjob") + "' S 99999999 20260101";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Installation inst(/*demoData=*/true);
    ProcessResult r;
    std::size_t ownFrom = 0;  // the job-log line the run's own sections begin at
    if (!c.inside) {
      // A stand-in for zelwrkjob that lets the other runs write first.
      const path standIn = inst.Root() / "standin.sh";
      WriteFile(standIn, "#!/bin/sh\n" + otherS + "\n'" + Program("zelwrkjob") + "' A\nexec '" +
                             Program("zelwrkjob") + "' \"$@\"\n");
      fs::permissions(standIn, fs::perms::owner_all);
      r = Zelrun(inst, {"--json", "--program", standIn.string(), "A"});
      const std::vector<std::string> lines = inst.JobLines();
      for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind("Datum: ", 0) == 0) ownFrom = i;
      }
    } else {
      // U waits at its first insert while the database is held; S comes in
      // meanwhile, inside U's first section.
      zeltest::DbClient holder(inst.Target());
      holder.Exec(OnPostgres() ? "begin; lock table Mvs510Prv in exclusive mode" : "begin exclusive");
      PlatProcess run = PlatProcess::Start({{Program("zelrun"), "--json", "U"}, inst.Work().string(), "",
                                            PlatOutput::Capture, ""});
      for (int i = 0; i < 200 && inst.JobLogText().find("Datum: ") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      const ProcessResult other = RunProcess({"/bin/sh", "-c", otherS}, inst.Work());
      holder.Exec("commit");
      EXPECT_EQ(other.exitCode, 0) << other.output;
      const PlatExit done = run.Wait();
      r = {done.exitCode, done.output};
    }
    EXPECT_EQ(r.exitCode, 5) << r.output;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(
        r.output, m,
        std::regex(R"(\{"letter":"[AU]","args":\["[AU]"\],"duration_s":[0-9.]+,"change_lines":([0-9]+),)"
                   R"x("failures":\[.*\{"function":"Asw_PKeyReadk\(\)","code":(1403|-54)\}.*\],)x"
                   R"("section_ended":true,"other_writer":true,"warnings":\[\],"exit_code":5\}\n)")))
        << r.output;
    EXPECT_EQ(m[1].str(), ChangeLinesFrom(inst, ownFrom)) << inst.JobLogText();
  }
}

// A run as root in a Msg folder that belongs to the installation's account
// leaves logs that account may not write: said, and the run goes on.
TEST(ZelRun, RunByAnotherAccountThanMsgsOwnerWarns) {
  const struct passwd* other = ::getpwnam("nobody");
  if (::geteuid() != 0 || !other) GTEST_SKIP() << "needs root and the account 'nobody'";
  Installation inst;
  AddCalendarAndDefaultCode(inst);
  FillPrv(inst, 1);
  ASSERT_EQ(::chown(inst.Msg().c_str(), other->pw_uid, other->pw_gid), 0);
  const ProcessResult r = Zelrun(inst, {"--json", "L"});
  EXPECT_EQ(r.exitCode, 0) << r.output;
  const std::string warning =
      "Msg folder not owned by this user; the logs this run makes are this user's and the owner's next run may not "
      "write them: " +
      Full(inst.Msg());
  EXPECT_EQ(r.output.rfind("zelrun: warning: " + warning + "\n", 0), 0u) << r.output;
  EXPECT_NE(r.output.find(R"("warnings":[")" + warning + R"("],"exit_code":0})"), std::string::npos) << r.output;
}

TEST(ZelRun, OverlappingRunGivesFourOrWaitsForTheLock) {
  Installation inst;
  FillPrv(inst, 3);
  AddCalendarAndDefaultCode(inst);
  inst.CloseDb();
  int held = -1;
  ASSERT_EQ(Plat_RunLockAcquire((inst.Msg() / "zelrun.lock").string(), 0, held), PlatRunLockResult::Held);

  const ProcessResult refused = Zelrun(inst, {"--metrics", "m.prom", "L"});
  EXPECT_EQ(refused.exitCode, 4) << refused.output;
  EXPECT_EQ(ParseMetrics(ReadFile(inst.Work() / "m.prom")).at("zelrun_last_run_exit_code{letter=\"L\"}"), 4);
  EXPECT_EQ(refused.output, "zelrun: another run holds the lock: " + Full(inst.Msg() / "zelrun.lock") + "\n");
  const ProcessResult json = Zelrun(inst, {"--json", "L"});
  EXPECT_EQ(json.exitCode, 4) << json.output;
  EXPECT_EQ(json.output, refused.output + R"({"letter":"L","args":["L"],"problems":["another run holds the lock: )" +
                             Full(inst.Msg() / "zelrun.lock") + R"("],"warnings":[],"exit_code":4})" + "\n");
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
      {{"--skip-check", "clocks", "A"}, 2},
      {{"--metrics", "m.prom", "X"}, 2},  // no letter: no metrics file
      {{"--verify", "L"}, 2},             // a verify runs no job
      {{"--all", "L"}, 2},                // --all belongs to --verify: L must not run
      {{"--meant", "List"}, 0},           // meant: L runs, with the argument as given
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "(none)" : c.args.back());
    Installation inst;
    FillPrv(inst, 2);
    AddCalendarAndDefaultCode(inst);
    const ProcessResult r = Zelrun(inst, c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.output;
    if (c.exitCode == 2) {
      EXPECT_NE(r.output.find("(see zelrun --help)\n"), std::string::npos) << r.output;
      EXPECT_EQ(inst.Db().Value("select count(*) from Mvs510Prv"), "2");
      EXPECT_FALSE(fs::exists(inst.Msg() / "zelrun.lock"));
      EXPECT_FALSE(fs::exists(inst.Work() / "m.prom"));
    } else {
      EXPECT_EQ(inst.Db().Value("select count(*) from Mvs510Prv"), "0");
    }
  }
}

}  // namespace
