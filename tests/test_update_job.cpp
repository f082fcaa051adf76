// The assignment update job on a real database: master data and download
// rows before, the rows, job-log lines and message-log entries after, for
// the ordinary cases and for failures at every step of its loop; and a real
// `zelwrkjob U` run.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "InstallationSupport.h"
#include "JobTestSupport.h"
#include "jobs/AssignmentUpdateJob.h"

namespace {

namespace fs = std::filesystem;
using zeltest::JobBench;
using zeltest::StoredDay;

// ---- Master data and download rows as SQL ----------------------------------

std::string DayOrNull(std::optional<int> offset) {
  if (!offset) return "NULL";
  std::string quoted(1, '\'');
  quoted.append(StoredDay(*offset)).push_back('\'');
  return quoted;
}

std::string Person(const std::string& pnr) {
  return "insert into Mvs300Pnr values ('" + pnr + "','Name " + pnr + "','Weg " + pnr + "','Ort " + pnr + "')";
}

std::string Assignment(const std::string& badge, const std::string& pnr, int from, std::optional<int> to = {},
                       const std::string& recorded = "") {
  return "insert into Mvs301Asw values ('" + badge + "','" + StoredDay(from) + "'," + DayOrNull(to) + ",'" + pnr +
         "','ERF" + badge + "'," + (recorded.empty() ? DayOrNull(from - 1) : "'" + recorded + "'") + ")";
}

std::string CostCentreToday(const std::string& pnr, const std::string& kst) {
  return "insert into Mvs329Ztg values ('" + pnr + "','" + StoredDay(0) + "','" + kst + "')";
}

// An existing download row, stamped long ago so that an update shows.
std::string Row(const std::string& pnr, const std::string& badge, int from, std::optional<int> to,
                const std::string& dna, int awa) {
  return "insert into Mvs510Prv (PrvPnr,PrvGvo,PrvGbi,PrvBer,PrvKst,PrvFbe,PrvMmb,PrvSta,PrvDat,PrvErf,PrvDna,"
         "PrvDwn,PrvAwn,PrvAwa,PrvAnw,PrvApl,PrvApp,PrvPzm,PrvNam,PrvStr,PrvOrt) values ('" +
         pnr + "','" + StoredDay(from) + "'," + DayOrNull(to) + ",0,'KALT','FBALT',0,1,'2000-01-01 00:00:00','ALT'," +
         (dna.empty() ? "NULL" : "'" + dna + "'") + "," + (dna.empty() ? "NULL" : "'Marvane'") + ",'" + badge +
         "'," + std::to_string(awa) + ",0,0,0,1,'Alter Name','Alter Weg','Alter Ort')";
}

// What the checks compare of a row: person, badge, first and last day
// ("open" for an open end), mark, mark owner, state, cost centre, and
// whether it was written by the job ("new") or is as it was ("old").
const char* kRowQuery =
    "select PrvPnr, PrvAwn, coalesce(substr(PrvGvo,1,10),'open'), coalesce(substr(PrvGbi,1,10),'open'), "
    "coalesce(PrvDna,''), coalesce(PrvDwn,''), PrvAwa, coalesce(PrvKst,''), "
    "case when PrvDat='2000-01-01 00:00:00' then 'old' else 'new' end from Mvs510Prv order by PrvPnr";

std::string D(int offset) { return StoredDay(offset).substr(0, 10); }

std::string Expect(const std::string& pnr, const std::string& badge, int from, std::optional<int> to,
                   const std::string& dna, const std::string& dwn, int awa, const std::string& kst,
                   const std::string& stamp) {
  return pnr + "|" + badge + "|" + D(from) + "|" + (to ? D(*to) : "open") + "|" + dna + "|" + dwn + "|" +
         std::to_string(awa) + "|" + kst + "|" + stamp;
}

std::string FurtherBadge(const std::string& pnr, const std::string& badge) {
  return "Pnr: " + pnr + " mit 2. gültiger Awn-Nr: " + badge + " !";
}
std::string FurtherPeriod(const std::string& pnr, const std::string& badge) {
  return "Pnr: " + pnr + " Awn: " + badge + " Mehrere gültige Zeitraeume! ";
}

const std::string P1 = "00000001", P2 = "00000002", P3 = "00000003", P4 = "00000004";

struct Scenario {
  const char* what;
  std::vector<std::string> before;  // master data, download rows, triggers
  std::vector<std::string> rows;    // kRowQuery after the job
  std::vector<std::string> lines;   // job-log lines between header and empty line
  std::vector<std::string> entries = {};
};

// Runs the job in this process on a bench (JobTestSupport.h) that holds `sql`.
struct UpdateRun : JobBench {
  explicit UpdateRun(const std::vector<std::string>& sql) {
    for (const std::string& s : sql) db.Exec(s);
  }
  void Run() { AssignmentUpdateJob(run); }
  std::vector<std::string> Rows() { return db.Rows(kRowQuery); }
};

void RunScenarios(const std::vector<Scenario>& scenarios) {
  for (const Scenario& s : scenarios) {
    UpdateRun run(s.before);
    run.Run();
    EXPECT_EQ(run.Rows(), s.rows) << s.what;
    EXPECT_EQ(run.JobLines(), zeltest::Section(s.lines)) << s.what;
    EXPECT_EQ(run.Entries(), s.entries) << s.what;
  }
}

TEST(UpdateJob, PersonsWithoutARowGetOne) {
  const std::string fbe = "insert into Mvs559Fbe values (1,'FB01','Standard')";
  RunScenarios({
      {"one current assignment, today's cost centre",
       {fbe, Person(P1), Assignment("7001", P1, -10), CostCentreToday(P1, "K100")},
       {Expect(P1, "7001", -10, {}, "NEU", "Marvane", 1, "K100", "new")},
       {}},
      {"no cost centre for today: yesterday's does not count",
       {fbe, Person(P1), Assignment("7001", P1, -10, 30),
        "insert into Mvs329Ztg values ('" + P1 + "','" + StoredDay(-1) + "','KGESTERN')"},
       {Expect(P1, "7001", -10, 30, "NEU", "Marvane", 1, "", "new")},
       {}},
      {"two badges: the newer one is applied, the older one named",
       {Person(P1), Assignment("7001", P1, -30), Assignment("7002", P1, -5, 100)},
       {Expect(P1, "7002", -5, 100, "NEU", "Marvane", 1, "", "new")},
       {FurtherBadge(P1, "7001")}},
      {"two periods of one badge: the newer days",
       {Person(P1), Assignment("7001", P1, -300), Assignment("7001", P1, -2, 5)},
       {Expect(P1, "7001", -2, 5, "NEU", "Marvane", 1, "", "new")},
       {FurtherPeriod(P1, "7001")}},
      {"three assignments: each further row compared with the one before it",
       {Person(P1), Assignment("7001", P1, -30), Assignment("7002", P1, -20), Assignment("7001", P1, -10)},
       {Expect(P1, "7001", -10, {}, "NEU", "Marvane", 1, "", "new")},
       {FurtherBadge(P1, "7002"), FurtherBadge(P1, "7001")}},
      {"three assignments, the first two of one badge",
       {Person(P1), Assignment("7002", P1, -30), Assignment("7001", P1, -20), Assignment("7001", P1, -10)},
       {Expect(P1, "7001", -10, {}, "NEU", "Marvane", 1, "", "new")},
       {FurtherPeriod(P1, "7001"), FurtherBadge(P1, "7002")}},
      {"several persons, each its own first row",
       {Person(P1), Person(P2), Person(P3), Assignment("7003", P3, -1), Assignment("7001", P1, 0),
        Assignment("7002", P2, -7, 0)},
       {Expect(P1, "7001", 0, {}, "NEU", "Marvane", 1, "", "new"),
        Expect(P2, "7002", -7, 0, "NEU", "Marvane", 1, "", "new"),
        Expect(P3, "7003", -1, {}, "NEU", "Marvane", 1, "", "new")},
       {}},
      {"not current, or without a person: no row",
       {Person(P1), Person(P2), Assignment("7001", P1, 1), Assignment("7002", P2, -20, -1),
        Assignment("7003", P3, -5), "insert into Mvs301Asw values ('7004','" + StoredDay(-5) + "',NULL,NULL,'E',NULL)"},
       {},
       {}},
  });
}

TEST(UpdateJob, ExistingRowsTakeBadgeAndDaysOfTheNewestAssignment) {
  RunScenarios({
      {"nothing differs: not written",
       {Person(P1), Assignment("7001", P1, -30, 10), Row(P1, "7001", -30, 10, "LOE", 2)},
       {Expect(P1, "7001", -30, 10, "LOE", "Marvane", 2, "KALT", "old")},
       {}},
      {"last day set in the master data: only the last day, the mark stays",
       {Person(P1), Assignment("7001", P1, -30, 10), Row(P1, "7001", -30, {}, "AEN", 1)},
       {Expect(P1, "7001", -30, 10, "AEN", "Marvane", 1, "KALT", "new")},
       {}},
      {"last day removed, no mark pending: still none",
       {Person(P1), Assignment("7001", P1, -30), Row(P1, "7001", -30, 10, "", 1)},
       {Expect(P1, "7001", -30, {}, "", "", 1, "KALT", "new")},
       {}},
      {"first day differs",
       {Person(P1), Assignment("7001", P1, -29), Row(P1, "7001", -30, {}, "", 1)},
       {Expect(P1, "7001", -29, {}, "", "", 1, "KALT", "new")},
       {}},
      {"badge change over a pending LOE of an ended employment",
       {Person(P1), Assignment("7009", P1, -3), Row(P1, "7001", -30, -4, "LOE", 2)},
       {Expect(P1, "7009", -3, {}, "NEU", "Marvane", 1, "KALT", "new")},
       {}},
      {"badge change over a pending AEN, same days",
       {Person(P1), Assignment("7009", P1, -30), Row(P1, "7001", -30, {}, "AEN", 1)},
       {Expect(P1, "7009", -30, {}, "NEU", "Marvane", 1, "KALT", "new")},
       {}},
      {"two badges on an existing row: the newer applied, the further row changes nothing",
       {Person(P1), Assignment("7001", P1, -30), Assignment("7002", P1, -5), Row(P1, "7001", -30, {}, "", 1)},
       {Expect(P1, "7002", -5, {}, "NEU", "Marvane", 1, "KALT", "new")},
       {FurtherBadge(P1, "7001")}},
      {"two periods of one badge on an existing row: newer days, no mark",
       {Person(P1), Assignment("7001", P1, -300), Assignment("7001", P1, -2), Row(P1, "7001", -300, {}, "", 1)},
       {Expect(P1, "7001", -2, {}, "", "", 1, "KALT", "new")},
       {FurtherPeriod(P1, "7001")}},
      {"further row of an up-to-date row: nothing written",
       {Person(P1), Assignment("7001", P1, -30), Assignment("7002", P1, -5), Row(P1, "7002", -5, {}, "", 1)},
       {Expect(P1, "7002", -5, {}, "", "", 1, "KALT", "old")},
       {FurtherBadge(P1, "7001")}},
      {"rows without a current assignment are left to the full check",
       {Person(P1), Assignment("7001", P1, -30, -1), Row(P1, "7001", -30, {}, "", 1)},
       {Expect(P1, "7001", -30, {}, "", "", 1, "KALT", "old")},
       {}},
  });
}

TEST(UpdateJob, FailuresAreReportedAndEndTheLoopOrSkipTheRow) {
  const std::string refuseInsertOf7002 =
      zeltest::DbClient::RefusalSql("NoInsert", "insert", "Mvs510Prv", "new.PrvAwn='7002'", "ORA-01400: abgelehnt");
  const std::string refuseUpdateOfP2 =
      zeltest::DbClient::RefusalSql("NoUpdate", "update", "Mvs510Prv", "old.PrvPnr='" + P2 + "'",
                                    "ORA-00054: gesperrt");
  // Every person of the failure cases needs a change, so that an untouched
  // row shows that the loop did not reach it.
  const std::vector<std::string> threePersons = {
      Person(P1), Person(P2), Person(P3), Person(P4),
      Assignment("7101", P1, -10), Assignment("7102", P2, -10), Assignment("7103", P3, -10),
      Assignment("7104", P4, -10),
      Row(P1, "7001", -10, {}, "", 1), Row(P2, "7002", -10, {}, "", 1), Row(P3, "7003", -10, {}, "", 1)};
  auto with = [&](std::vector<std::string> more) {
    std::vector<std::string> all = threePersons;
    all.insert(all.end(), more.begin(), more.end());
    return all;
  };
  RunScenarios({
      {"the newer assignment's insert fails: the older one is inserted instead",
       {Person(P1), Person(P2), Assignment("7001", P1, -30), Assignment("7002", P1, -5), Assignment("7003", P2, -1),
        refuseInsertOf7002},
       {Expect(P1, "7001", -30, {}, "NEU", "Marvane", 1, "", "new"),
        Expect(P2, "7003", -1, {}, "NEU", "Marvane", 1, "", "new")},
       {FurtherBadge(P1, "7001")},
       {"Prv_PKeyIns()|Prv_PKeyIns fehlgeschlagen|-1400"}},
      {"an insert fails: the next person goes on",
       {Person(P1), Person(P2), Assignment("7002", P1, -5), Assignment("7003", P2, -1), refuseInsertOf7002},
       {Expect(P2, "7003", -1, {}, "NEU", "Marvane", 1, "", "new")},
       {},
       {"Prv_PKeyIns()|Prv_PKeyIns fehlgeschlagen|-1400"}},
      {"an update fails: the loop ends there",
       with({refuseUpdateOfP2}),
       {Expect(P1, "7101", -10, {}, "NEU", "Marvane", 1, "KALT", "new"),
        Expect(P2, "7002", -10, {}, "", "", 1, "KALT", "old"), Expect(P3, "7003", -10, {}, "", "", 1, "KALT", "old")},
       {},
       {"Prv_PKeyUpd()|Prv_PKeyUpd fehlgeschlagen|-54"}},
      {"a row read fails: the loop ends there",
       with({"update Mvs510Prv set PrvSta=40000 where PrvPnr='" + P2 + "'"}),
       {Expect(P1, "7101", -10, {}, "NEU", "Marvane", 1, "KALT", "new"),
        Expect(P2, "7002", -10, {}, "", "", 1, "KALT", "old"), Expect(P3, "7003", -10, {}, "", "", 1, "KALT", "old")},
       {},
       {"Prv_PKeyReadk()|Prv_ReadKey fehlgeschlagen|-1455"}},
  });
}

TEST(UpdateJob, FailedFetchIsReportedOnceAndEndsTheJob) {
  // An instant no text "yyyymmddHH24MISS" can tell: a text that is no
  // instant on SQLite, one after the year 9999 on PostgreSQL.
  const char* badInstant = zeltest::OnPostgres() ? "10000-01-01 00:00:00" : "2026-19-39 00:00:00";
  UpdateRun run({Person(P1), Person(P2), Person(P3), Person(P4), Assignment("7101", P1, -10),
                 Assignment("7102", P2, -10), Assignment("7103", P3, -10, {}, badInstant),
                 Assignment("7104", P4, -10), Row(P1, "7001", -10, {}, "", 1), Row(P3, "7003", -10, {}, "", 1)});
  run.Run();
  // A row whose instant cannot be converted fails the fetch of that row
  // itself: the person just before it is handled (the engine computes the
  // rows ahead of the fetches while it sorts them), the one after it is not.
  EXPECT_EQ(run.Entries(), (std::vector<std::string>{"Asw_PnrAll_Read|Cursor Asw_Read fehlgeschlagen|-1861"}));
  EXPECT_EQ(run.Rows(), (std::vector<std::string>{Expect(P1, "7101", -10, {}, "NEU", "Marvane", 1, "KALT", "new"),
                                                  Expect(P2, "7102", -10, {}, "NEU", "Marvane", 1, "", "new"),
                                                  Expect(P3, "7003", -10, {}, "", "", 1, "KALT", "old")}));
  EXPECT_EQ(run.JobLines(), zeltest::Section({}));
}

TEST(UpdateJob, InsertedRowCarriesEveryFieldOfANewRow) {
  UpdateRun run({"insert into Mvs559Fbe values (1,'FB01','Standard')",
                 "insert into Mvs559Fbe values (2,'FB02','Andere')",
                 "insert into Mvs300Pnr values ('" + P1 + "','Jürgen Weiß','Hauptstraße 1','Köln')",
                 Assignment("7001", P1, -10, 20, "2026-01-02 03:04:05"), CostCentreToday(P1, "K100")});
  run.Run();
  EXPECT_EQ(run.db.Rows("select PrvPnr,PrvGvo,PrvGbi,PrvBer,PrvKst,PrvFbe,PrvMmb,PrvZf1,PrvZf2,PrvZf3,PrvSta,"
                        "substr(PrvDat,1,10),PrvErf,PrvDna,PrvDwn,PrvAwn,PrvAwa,PrvAnw,PrvApl,PrvApp,PrvPzm,PrvAvn,"
                        "PrvAbi,PrvNam,PrvStr,PrvOrt from Mvs510Prv"),
            (std::vector<std::string>{P1 + "|" + StoredDay(-10) + "|" + StoredDay(20) + "|0|K100|FB01|0|<null>|<null>|" +
                                      "<null>|1|" + D(0) + "|ERF7001|NEU|Marvane|7001|1|0|0|0|1|<null>|<null>|" +
                                      "Jürgen Weiß|Hauptstraße 1|Köln"}));
}

TEST(UpdateJob, JobLogSectionIsWrittenByteForByte) {
  UpdateRun run({Person(P1), Assignment("7001", P1, -30), Assignment("7002", P1, -5), Assignment("7002", P1, -1)});
  zeltest::WriteFile(run.MsgDir() / "WrkJobLog.Txt", "earlier run\r\n");
  run.Run();
  EXPECT_EQ(run.JobLogText(),
            "earlier run\r\n"
            "Datum: 07.12.2026  Uhrzeit: 09:41:07\r\n"
            "Pnr: 00000001 Awn: 7002 Mehrere g\xC3\xBCltige Zeitraeume! \r\n"
            "Pnr: 00000001 mit 2. g\xC3\xBCltiger Awn-Nr: 7001 !\r\n"
            "\r\n");
}

TEST(UpdateJob, WithoutCurrentAssignmentsTheSectionIsHeaderAndEmptyLine) {
  UpdateRun run({Person(P1), Assignment("7001", P1, -30, -1), Row(P1, "7001", -30, {}, "", 1)});
  run.Run();
  EXPECT_EQ(run.JobLogText(), std::string(zeltest::kTestHeaderLine) + "\r\n\r\n");
  EXPECT_FALSE(fs::exists(run.MsgDir() / "ZelWrkJob.txt"));
  EXPECT_EQ(run.Rows(), (std::vector<std::string>{Expect(P1, "7001", -30, {}, "", "", 1, "KALT", "old")}));
}

TEST(UpdateJob, WithoutMsgDirectoryTheJobStillDoesItsWork) {
  UpdateRun run({Person(P1), Person(P2), Assignment("7001", P1, -30), Assignment("7002", P1, -5),
                 Assignment("7003", P2, -5), Row(P2, "7009", -5, {}, "", 1)});
  fs::remove_all(run.MsgDir());
  run.Run();
  EXPECT_FALSE(fs::exists(run.MsgDir()));
  EXPECT_EQ(run.Rows(), (std::vector<std::string>{Expect(P1, "7002", -5, {}, "NEU", "Marvane", 1, "", "new"),
                                                  Expect(P2, "7003", -5, {}, "NEU", "Marvane", 1, "KALT", "new")}));
}

// ---- zelwrkjob U as a real process -------------------------------------------

TEST(UpdateJob, ZelwrkjobUWritesTheUpdateSectionThenTheFullCheckSection) {
  zeltest::Installation inst;
  const std::string employed = "insert into Mvs310Bsv values ('%P','" + StoredDay(-400) + "',NULL)";
  std::vector<std::string> data = {
      "insert into Mvs559Fbe values (1,'FB01','Standard')",
      Person(P1), Person(P2), Person(P3),
      Assignment("7001", P1, -30), Assignment("7002", P1, -5), CostCentreToday(P1, "K100"),
      Assignment("7003", P2, -100, 50), Assignment("7003", P2, -10), CostCentreToday(P2, "K200"),
      Assignment("7004", P3, -100), CostCentreToday(P3, "K300"), Row(P3, "7099", -100, {}, "", 1)};
  for (const std::string& p : {P1, P2, P3}) data.push_back(std::regex_replace(employed, std::regex("%P"), p));
  for (const std::string& sql : data) inst.Db().Exec(sql);

  auto r = inst.Run({"U"});
  EXPECT_EQ(r.exitCode, 0) << r.output;

  const std::vector<std::string> lines = inst.JobLines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(Datum: \d\d\.\d\d\.\d{4}  Uhrzeit: \d\d:\d\d:\d\d)")))
      << lines[0];
  const std::vector<std::string> first(lines.begin(), lines.begin() + 4);
  EXPECT_EQ(first, (std::vector<std::string>{lines[0], FurtherBadge(P1, "7001"), FurtherPeriod(P2, "7003"), ""}));
  // The full check's section follows under the same header, whatever it holds.
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[4], lines[0]);
  EXPECT_EQ(lines.back(), "");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), lines[0]), 2);

}

}  // namespace
