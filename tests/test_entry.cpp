// zelwrkjob as a real process: argument check, connect, dispatch of the job
// letters, the start of the download program, and exit code 0 on every path.
#include <gtest/gtest.h>

#include "InstallationSupport.h"
#include "jobs/RunStamp.h"

namespace {

using zeltest::Installation;
using zeltest::ReadFile;
using zeltest::WaitForFile;

// Waits for the stand-in download program's record and returns it.
std::string DownloadStarts(const Installation& inst) {
  if (!WaitForFile(inst.DownloadRecord())) return "";
  // The program writes its one line right after it starts.
  for (int i = 0; i < 100; ++i) {
    std::string text = ReadFile(inst.DownloadRecord());
    if (text.find("\r\n") != std::string::npos) return text;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return ReadFile(inst.DownloadRecord());
}

void FillPrv(Installation& inst, int rows) {
  for (int i = 0; i < rows; ++i)
    inst.Db().Exec("insert into Mvs510Prv (PrvPnr, PrvAwa) values ('" + std::to_string(10000000 + i) + "', 1)");
}

int PrvCount(Installation& inst) { return std::stoi(inst.Db().Value("select count(*) from Mvs510Prv")); }

// The letters that need no master data: L empties the table; only the
// first character counts, and any other selects no job. The download
// program starts after every letter, but not without one.
TEST(Entry, LettersWithoutMasterData) {
  struct Case {
    const char* what;
    std::vector<std::string> args;
    int rowsBefore, rowsAfter;
    std::vector<std::string> entries;
    bool downloadStarts;
  } cases[] = {
      {"no argument", {}, 0, 0, {"main|Mindestanzahl Parameter = 2|1"}, false},
      {"L empties the table", {"L"}, 5, 0, {}, true},
      {"L on an empty table", {"Lxyz"}, 0, 0, {"Prv_Delete()|Loeschen Msv510Prv fehlgeschlagen|1403"}, true},
      {"a lower-case letter is no job", {"l"}, 2, 2, {}, true},
      {"an empty first argument is no job", {""}, 0, 0, {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Installation inst;
    FillPrv(inst, c.rowsBefore);
    auto r = inst.Run(c.args);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(PrvCount(inst), c.rowsAfter);
    EXPECT_EQ(inst.Entries(), c.entries);
    EXPECT_FALSE(inst.HasJobLog());  // none of them writes the job log
    if (c.downloadStarts) {
      const std::string starts = DownloadStarts(inst);
      EXPECT_NE(starts.find("Parameter: Marvane Mvs510Prv\r\n"), std::string::npos) << starts;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      EXPECT_FALSE(std::filesystem::exists(inst.DownloadRecord()));
    }
  }
}

TEST(Entry, ConnectFailuresAreReportedAndStartNoDownload) {
  ZEL_SQLITE_ONLY();
  struct Case {
    const char* what;
    std::string login, net8;
    int code;
  } cases[] = {
      {"database file missing", "zel", "..\\..\\..\\..\\files\\nothere.db", -12154},
      {"empty NET8", "zel", "", -12154},
      {"connect string over 100 characters", std::string(40, 'u'), std::string(40, 'n'), -12899},
  };
  for (const auto& c : cases) {
    Installation inst;
    inst.Configure(c.login, std::string(19, 'p'), c.net8);
    auto r = inst.Run({"L"});
    EXPECT_EQ(r.exitCode, 0) << c.what;
    EXPECT_EQ(inst.Entries(),
              (std::vector<std::string>{"dbConnect|Connect mit DB fehlgeschlagen|" + std::to_string(c.code)}))
        << c.what;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(std::filesystem::exists(inst.DownloadRecord())) << c.what;
    EXPECT_FALSE(std::filesystem::exists(inst.Root() / "files" / "nothere.db")) << c.what;
  }
}

TEST(Entry, MissingConfigurationFileFailsTheConnect) {
  Installation inst;
  std::filesystem::remove(inst.IniFile());
  auto r = inst.Run({"A"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(inst.Entries(), (std::vector<std::string>{"dbConnect|Connect mit DB fehlgeschlagen|-12154"}));
}

TEST(Entry, SingleAssignmentArgumentsAreChecked) {
  struct Case {
    std::vector<std::string> args;
    std::string entry;
  } cases[] = {
      {{"S"}, "main|Parameter fehlen: Ausweisnummer und Gueltig-ab-Datum erforderlich|2"},
      {{"S", "7001"}, "main|Parameter fehlen: Ausweisnummer und Gueltig-ab-Datum erforderlich|3"},
      {{"S", "123456789", "20261201"}, "main|Ausweisnummer ungueltig (1 bis 8 Zeichen)|2"},
      {{"S", "", "20261201"}, "main|Ausweisnummer ungueltig (1 bis 8 Zeichen)|2"},
      {{"S", "7001", "20260230"}, "main|Gueltig-ab-Datum ungueltig (JJJJMMTT erwartet)|3"},
      {{"S", "7001", "2026120"}, "main|Gueltig-ab-Datum ungueltig (JJJJMMTT erwartet)|3"},
      {{"S", "7001", "202612011"}, "main|Gueltig-ab-Datum ungueltig (JJJJMMTT erwartet)|3"},
  };
  for (const auto& c : cases) {
    Installation inst;
    auto r = inst.Run(c.args);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(inst.Entries(), (std::vector<std::string>{c.entry})) << c.args.size();
    EXPECT_FALSE(inst.HasJobLog());
    EXPECT_FALSE(DownloadStarts(inst).empty());  // started after every letter
  }
}

TEST(RunStamp, DateAndHeaderComeFromOneReading) {
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 7;
  t.tm_hour = 23;
  t.tm_min = 59;
  t.tm_sec = 59;
  t.tm_isdst = -1;
  const RunStamp run = RunStamp_Fix(std::mktime(&t));
  EXPECT_STREQ(run.RunDate, "20261207");
  EXPECT_STREQ(run.RunHeader, "Datum: 07.12.2026  Uhrzeit: 23:59:59\n");
}

}  // namespace

namespace {

TEST(Entry, PostgresConnectFailuresAreReported) {
  if (!zeltest::OnPostgres()) GTEST_SKIP() << "needs the PostgreSQL test server";
  struct Case {
    const char* what;
    std::string login, pass, net8;
    int code;
  } cases[] = {
      {"wrong password", "zelpw", "wrong", "host=" + zeltest::PgHost() + " dbname=postgres", -1017},
      {"unknown role", "nosuchrole", "x", "host=" + zeltest::PgHost() + " dbname=postgres", -1017},
      {"unknown database", "postgres", "x", "host=" + zeltest::PgHost() + " dbname=nosuchdb", -12154},
      {"no server", "postgres", "x", "host=/nonexistent dbname=zel", -12154},
  };
  for (const auto& c : cases) {
    Installation inst;
    inst.Configure(c.login, c.pass, c.net8);
    auto r = inst.Run({"A"});
    EXPECT_EQ(r.exitCode, 0) << c.what;
    EXPECT_EQ(inst.Entries(),
              (std::vector<std::string>{"dbConnect|Connect mit DB fehlgeschlagen|" + std::to_string(c.code)}))
        << c.what;
  }
}

}  // namespace
