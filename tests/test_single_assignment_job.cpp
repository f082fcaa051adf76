// The single assignment job (letter S): the given assignment, the person's
// row before and after, the job-log section and the message-log entries, in
// this process on a real database and as the real program.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "InstallationSupport.h"
#include "JobTestSupport.h"
#include "jobs/SingleAssignmentJob.h"

namespace {

using zeltest::Day;
using zeltest::Days;
using zeltest::JobBench;
using zeltest::Layout;

using Lines = std::vector<std::string>;

constexpr const char* kInserted = "PNR: 00000001 AWN: 70000001  DnlKng: NEU(1) Info: Ausweiszuordnung beginnt!";

struct Case {
  const char* what;
  void (*master)(JobBench&);  // person 00000001 exists with cost centre KST1 of today
  const char* before;         // row layout; nullptr: no row
  const char* badge;
  const char* firstDay;
  const char* after;  // row layout; "<none>": no row
  Lines lines;        // between header and empty line
  Lines entries;
};

void RunCase(const Case& c) {
  JobBench bench;
  bench.Calendar();
  bench.Person("00000001");
  bench.CostCentre("00000001", "KST1");
  c.master(bench);
  if (c.before) bench.Row("00000001", c.before);
  SingleAssignmentJob(bench.run, c.badge, Days(c.firstDay).c_str());
  EXPECT_EQ(bench.StoredRow("00000001"), std::string(c.after) == "<none>" ? "<none>" : Layout(c.after)) << c.what;
  EXPECT_EQ(bench.JobLines(), zeltest::Section(c.lines)) << c.what;
  EXPECT_EQ(bench.Entries(), c.entries) << c.what;
}

void Employed(JobBench& b) { b.Employment("00000001", "{-1000}"); }

TEST(SingleAssignmentJob, Scenarios) {
  const Case cases[] = {
      {"assignment begins on another day: nothing touched",
       [](JobBench& b) {
         Employed(b);
         b.Assignment("70000001|{-5}||00000001|ERF1");
       },
       nullptr, "70000001", "{-4}", "<none>", {}, {"Asw_PKeyReadk()|Fehler Asw-Read|1403"}},
      {"new assignment, no row: inserted with NEU, no update",
       [](JobBench& b) {
         Employed(b);
         b.Assignment("70000001|{-5}||00000001|ERF1");
       },
       nullptr, "70000001", "{-5}", "70000001|{-5}||ERF1|NEU|1|Marvane|KST1|Adler, Jonas|Lindenweg 4|Ravensbrook",
       {kInserted}, {}},
      {"new assignment of a person no longer employed: inserted, then emptied",
       [](JobBench& b) { b.Assignment("70000001|{-5}|{20}|00000001|ERF1"); }, nullptr, "70000001", "{-5}",
       "||{20}|ERF1||2||KST1|Adler, Jonas|Lindenweg 4|Ravensbrook",
       {kInserted, "PNR: 00000001 AWN: 70000001  DnlKng: LOE(2) Info: Beschäftigungsverhaeltnis zu Ende!"}, {}},
      {"assignment beginning in three days, none begun: inserted, then emptied",
       [](JobBench& b) {
         Employed(b);
         b.Assignment("70000001|{3}||00000001|ERF1");
       },
       nullptr, "70000001", "{3}", "|||ERF1||1||KST1|Adler, Jonas|Lindenweg 4|Ravensbrook",
       {kInserted, "PNR: 00000001 AWN: 70000001  DnlKng: LOE(1) Info: Ausweiszuordnung zu Ende!"}, {}},
      {"an old assignment given: inserted from it, then moved to the person's current badge",
       [](JobBench& b) {
         Employed(b);
         b.Assignment("70000001|{-5}||00000001|ERF1");
         b.Assignment("70000002|{-40}|{-6}|00000001|ERF0");
       },
       nullptr, "70000002", "{-40}", "70000001|{-5}||ERF1|NEU|1|Marvane|KST1|Adler, Jonas|Lindenweg 4|Ravensbrook",
       {"PNR: 00000001 AWN: 70000002  DnlKng: NEU(1) Info: Ausweiszuordnung beginnt!", kInserted}, {}},
      {"existing row in line: the given assignment only names the person",
       [](JobBench& b) {
         Employed(b);
         b.Assignment("70000001|{-30}||00000001|ERF1");
         b.Assignment("70000002|{3}||00000001|ERF2");
       },
       "70000001|{-30}||ERF1||1||KST1|Adler, Jonas|Lindenweg 4|Ravensbrook", "70000002", "{3}",
       "70000001|{-30}||ERF1||1||KST1|Adler, Jonas|Lindenweg 4|Ravensbrook", {}, {}},
      {"existing row: the checks decide, without the name check",
       [](JobBench& b) {
         Employed(b);
         b.Assignment("70000001|{-30}||00000001|ERF1");
         b.db.Exec("update Mvs329Ztg set ZtgKst='KST2'");
       },
       "70000001|{-30}||ERF1||1||KST1|Adler, J.|Lindenweg 4|Ravensbrook", "70000001", "{-30}",
       "70000001|{-30}||ERF1|AEN|1|Marvane|KST2|Adler, J.|Lindenweg 4|Ravensbrook",
       {"PNR: 00000001 AWN: 70000001  DnlKng: AEN(1) Info: Aenderung der Kostenstellenzuordnung!"}, {}},
  };
  for (const Case& c : cases) RunCase(c);
}

// The insert and the update are refused by triggers; the read by a PrvSta
// that does not fit its 16-bit host variable.
TEST(SingleAssignmentJob, Failures) {
  const Case cases[] = {
      {"insert fails, checks find nothing: no update",
       [](JobBench& b) {
         Employed(b);
         b.Assignment("70000001|{-5}||00000001|ERF1");
         b.db.CreateRefusal("refuse", "insert", "Mvs510Prv", "true", "ORA-20002");
       },
       nullptr, "70000001", "{-5}", "<none>", {}, {"Prv_PKeyIns()|Prv_PKeyIns fehlgeschlagen|-20002"}},
      {"insert fails, checks find a change: update attempted and reported, lines written",
       [](JobBench& b) {
         b.Assignment("70000001|{-5}||00000001|ERF1");
         b.db.CreateRefusal("refuse", "insert", "Mvs510Prv", "true", "ORA-20002");
       },
       nullptr, "70000001", "{-5}", "<none>",
       {"PNR: 00000001 AWN: 70000001  DnlKng: LOE(2) Info: Beschäftigungsverhaeltnis zu Ende!"},
       {"Prv_PKeyIns()|Prv_PKeyIns fehlgeschlagen|-20002", "Prv_PKeyUpd|Update des PRV-Satzes fehlgeschlagen|1403"}},
      {"update fails: reported, lines still written",
       [](JobBench& b) {
         b.Assignment("70000001|{-30}||00000001|ERF1");
         b.db.CreateRefusal("refuse", "update", "Mvs510Prv", "true", "ORA-20003");
       },
       "70000001|{-30}||ERF1||1||KST1|Adler, Jonas|Lindenweg 4|Ravensbrook", "70000001", "{-30}",
       "70000001|{-30}||ERF1||1||KST1|Adler, Jonas|Lindenweg 4|Ravensbrook",
       {"PNR: 00000001 AWN: 70000001  DnlKng: LOE(2) Info: Beschäftigungsverhaeltnis zu Ende!"},
       {"Prv_PKeyUpd|Update des PRV-Satzes fehlgeschlagen|-20003"}},
      {"row cannot be read: nothing else happens",
       [](JobBench& b) {
         b.Assignment("70000001|{-30}||00000001|ERF1");
         b.db.Exec(
             "insert into Mvs510Prv (PrvPnr,PrvAwn,PrvAwa,PrvSta,PrvKst,PrvNam) values "
             "('00000001','70000009',1,70000,'KST1','Alt')");
       },
       nullptr, "70000001", "{-30}", "70000009|||||1||KST1|Alt", {},
       {"Prv_PKeyReadk()|Prv_ReadKey fehlgeschlagen|-1455"}},
  };
  for (const Case& c : cases) RunCase(c);
}

// As the real program on the demo installation: person 00001033 holds badge
// 70001033 for 700 days and has no row yet.
TEST(SingleAssignmentJob, DemoInstallation) {
  zeltest::Installation inst(true);
  auto r = inst.Run({"S", "70001033", Day(-700)});
  EXPECT_EQ(r.exitCode, 0) << r.output;
  r = inst.Run({"S", "70001033", Day(-699)});
  EXPECT_EQ(r.exitCode, 0) << r.output;

  const Lines lines = inst.JobLines();
  ASSERT_EQ(lines.size(), 5u);
  const std::regex header(R"(Datum: \d\d\.\d\d\.\d{4}  Uhrzeit: \d\d:\d\d:\d\d)");
  EXPECT_TRUE(std::regex_match(lines[0], header)) << lines[0];
  EXPECT_EQ(lines[1], "PNR: 00001033 AWN: 70001033  DnlKng: NEU(1) Info: Ausweiszuordnung beginnt!");
  EXPECT_EQ(lines[2], "");
  EXPECT_TRUE(std::regex_match(lines[3], header)) << lines[3];
  EXPECT_EQ(lines[4], "");
  EXPECT_EQ(inst.Entries(), (Lines{"Asw_PKeyReadk()|Fehler Asw-Read|1403"}));
  EXPECT_EQ(inst.Db().Rows(
                              "select PrvAwn, substr(PrvGvo,1,10), PrvGbi, PrvErf, PrvDna, PrvDwn, PrvAwa, PrvKst, "
                              "PrvFbe, PrvSta, PrvPzm, PrvNam from Mvs510Prv where PrvPnr='00001033'"),
            (Lines{"70001033|" + zeltest::StoredDay(-700).substr(0, 10) +
                   "|<null>|PERSONAL|NEU|Marvane|1|KST100|FB01|1|1|Graf, Zeno"}));
}

}  // namespace
