// The full check job (letter A): rows before and after, the job-log section
// and the message-log entries, in this process on a real database and as the
// real program on the demo installation.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "InstallationSupport.h"
#include "JobTestSupport.h"
#include "jobs/FullCheckJob.h"

namespace {

using zeltest::Day;
using zeltest::JobBench;
using zeltest::Layout;

using Lines = std::vector<std::string>;

// Person 00000001, employed from long ago, with name, badge assignment and
// cost centre of today that the row below agrees with.
void InLinePerson(JobBench& b, const char* pnr = "00000001") {
  b.Person(pnr);
  b.Employment(pnr, "{-1000}");
  b.CostCentre(pnr, "KST1");
}
constexpr const char* kInLineRow = "70000001|{-30}||ERF1||1||KST1|Adler, Jonas|Lindenweg 4|Ravensbrook";

TEST(FullCheckJob, RowScenarios) {
  struct Case {
    const char* what;
    void (*master)(JobBench&);
    const char* before;
    const char* after;
    Lines lines;  // between header and empty line
  } cases[] = {
      {"employment ended: LOE(2), badge and cost-centre checks skipped, name check runs",
       [](JobBench& b) {
         b.Person("00000001", "Adler-Roth, Jonas");
         b.CostCentre("00000001", "KST9");
         b.Assignment("70000001|{-30}|{-3}|00000001|ERF1");
       },
       kInLineRow, "70000001|{-30}||ERF1|LOE|2|Marvane|KST1|Adler-Roth, Jonas|Lindenweg 4|Ravensbrook",
       {"PNR: 00000001 AWN: 70000001  DnlKng: LOE(2) Info: Beschäftigungsverhaeltnis zu Ende!",
        "PNR: 00000001 AWN: 70000001 Info: Namens- bzw. Adressaenderung!"}},
      {"ended employment stays ended: nothing stored, no line",
       [](JobBench& b) {
         b.Person("00000001");
         b.Assignment("70000001|{-30}|{-3}|00000001|ERF1");
       },
       "70000001|{-30}||ERF1||2|Alt|KST1|Adler, Jonas|Lindenweg 4|Ravensbrook",
       "70000001|{-30}||ERF1||2|Alt|KST1|Adler, Jonas|Lindenweg 4|Ravensbrook", {}},
      {"employment resumed: badge and cost-centre checks run again",
       [](JobBench& b) {
         InLinePerson(b);
         b.Assignment("70000001|{-30}||00000001|ERF1");
         b.db.Exec("update Mvs329Ztg set ZtgKst='KST2'");
       },
       "70000001|{-30}||ERF1||2||KST1|Adler, Jonas|Lindenweg 4|Ravensbrook",
       "70000001|{-30}||ERF1|AEN|1|Marvane|KST2|Adler, Jonas|Lindenweg 4|Ravensbrook",
       {"PNR: 00000001 AWN: 70000001  DnlKng: (1) Info: Beschäftigungsverhaeltnis beginnt!",
        "PNR: 00000001 AWN: 70000001  DnlKng: AEN(1) Info: Aenderung der Kostenstellenzuordnung!"}},
      {"new badge and new cost centre: NEU kept, badge line first",
       [](JobBench& b) {
         InLinePerson(b);
         b.Assignment("70000001|{-30}|{-1}|00000001|ERF1");
         b.Assignment("70000002|{0}||00000001|ERF2");
         b.db.Exec("update Mvs329Ztg set ZtgKst='KST2'");
       },
       kInLineRow, "70000002|{0}||ERF2|NEU|1|Marvane|KST2|Adler, Jonas|Lindenweg 4|Ravensbrook",
       {"PNR: 00000001 AWN: 70000002  DnlKng: NEU(1) Info: Ausweiszuordnung beginnt!",
        "PNR: 00000001 AWN: 70000002  DnlKng: NEU(1) Info: Aenderung der Kostenstellenzuordnung!"}},
      {"only the last day corrected: stored without line, no mark",
       [](JobBench& b) {
         InLinePerson(b);
         b.Assignment("70000001|{-30}|{30}|00000001|ERF2");
       },
       kInLineRow, "70000001|{-30}|{30}|ERF2||1||KST1|Adler, Jonas|Lindenweg 4|Ravensbrook", {}},
      {"name only: mark stays empty and the system name is not touched",
       [](JobBench& b) {
         InLinePerson(b);
         b.Assignment("70000001|{-30}||00000001|ERF1");
         b.db.Exec("update Mvs300Pnr set PnrOrt='Oberhall'");
       },
       "70000001|{-30}||ERF1||1|Alt|KST1|Adler, Jonas|Lindenweg 4|Ravensbrook",
       "70000001|{-30}||ERF1||1|Alt|KST1|Adler, Jonas|Lindenweg 4|Oberhall",
       {"PNR: 00000001 AWN: 70000001 Info: Namens- bzw. Adressaenderung!"}},
      {"row without first day is visited",
       [](JobBench& b) {
         InLinePerson(b);
         b.Assignment("70000001|{-30}||00000001|ERF1");
       },
       "|||||1||KST1|Adler, Jonas|Lindenweg 4|Ravensbrook",
       "70000001|{-30}||ERF1|NEU|1|Marvane|KST1|Adler, Jonas|Lindenweg 4|Ravensbrook",
       {"PNR: 00000001 AWN: 70000001  DnlKng: NEU(1) Info: Ausweiszuordnung beginnt!"}},
      {"row beginning tomorrow is not visited", [](JobBench& b) { b.Person("00000001", "Other"); },
       "70000001|{1}||ERF1||1||KST1|Adler, Jonas|Lindenweg 4|Ravensbrook",
       "70000001|{1}||ERF1||1||KST1|Adler, Jonas|Lindenweg 4|Ravensbrook", {}},
  };
  for (const auto& c : cases) {
    JobBench bench;
    bench.Calendar();
    c.master(bench);
    bench.Row("00000001", c.before);
    FullCheckJob(bench.run);
    EXPECT_EQ(bench.StoredRow("00000001"), Layout(c.after)) << c.what;
    EXPECT_EQ(bench.JobLines(), zeltest::Section(c.lines)) << c.what;
    EXPECT_EQ(bench.Entries(), Lines{}) << c.what;
  }
}

TEST(FullCheckJob, EmptyTableWritesHeaderAndEmptyLineOnly) {
  JobBench bench;
  FullCheckJob(bench.run);
  EXPECT_EQ(bench.JobLines(), zeltest::Section({}));
  EXPECT_EQ(bench.Entries(), Lines{});
}

// Three persons whose names all changed; the second row cannot be stored
// (a rule of the site refuses it) or cannot be fetched (its PrvSta does not
// fit the 16-bit host variable): the run ends there, without its lines.
TEST(FullCheckJob, FailedUpdateOrFetchEndsTheRun) {
  struct Case {
    const char* what;
    void (*spoilSecondRow)(JobBench&);
    const char* entry;
  } cases[] = {
      {"update refused",
       [](JobBench& b) {
         b.db.CreateRefusal("refuse", "update", "Mvs510Prv", "old.PrvPnr='00000002'", "ORA-20001: refused");
       },
       "Prv_PKeyUpd|Update des PRV-Satzes fehlgeschlagen|-20001"},
      {"fetch fails",
       [](JobBench& b) { b.db.Exec("update Mvs510Prv set PrvSta=70000 where PrvPnr='00000002'"); },
       "Prv_PKeyRead|Read des PRV-Satzes fehlgeschlagen|-1455"},
  };
  for (const Case& c : cases) {
    JobBench bench;
    for (const char* pnr : {"00000001", "00000002", "00000003"}) {
      InLinePerson(bench, pnr);
      bench.Row(pnr, "|||||1||KST1|Adler, J.|Lindenweg 4|Ravensbrook");
    }
    c.spoilSecondRow(bench);
    FullCheckJob(bench.run);
    EXPECT_EQ(bench.JobLines(), zeltest::Section({"PNR: 00000001 AWN:          Info: Namens- bzw. Adressaenderung!"}))
        << c.what;
    EXPECT_EQ(bench.Entries(), Lines{c.entry}) << c.what;
    EXPECT_EQ(bench.db.Rows("select PrvNam from Mvs510Prv order by PrvPnr"),
              (Lines{"Adler, Jonas", "Adler, J.", "Adler, J."}))
        << c.what;
  }
}

// The demo installation holds one situation per person (tools/zelsetup).
// Only the first character of the job letter counts: "Axyz" is a full check.
TEST(FullCheckJob, DemoInstallationTwoRuns) {
  zeltest::Installation inst(true);
  const std::string today = Day(0);
  auto r = inst.Run({"Axyz"});
  EXPECT_EQ(r.exitCode, 0) << r.output;
  if (Day(0) != today) GTEST_SKIP() << "the run crossed midnight";

  const Lines firstRun{
      "PNR: 00001003 AWN: 70091003  DnlKng: NEU(1) Info: Ausweiszuordnung beginnt!",
      "PNR: 00001005 AWN: 70011005  DnlKng: NEU(1) Info: Ausweiszuordnung beginnt!",
      "PNR: 00001007 AWN: 70001007  DnlKng: LOE(2) Info: Beschäftigungsverhaeltnis zu Ende!",
      "PNR: 00001008 AWN: 70001008  DnlKng: (1) Info: Beschäftigungsverhaeltnis beginnt!",
      "PNR: 00001009 AWN: 70001009  DnlKng: AEN(1) Info: Aenderung der Kostenstellenzuordnung!",
      "PNR: 00001010 AWN: 70001010 Info: Namens- bzw. Adressaenderung!",
      "PNR: 00001011 AWN: 70001011  DnlKng: LOE(1) Info: Ausweiszuordnung zu Ende!",
      "PNR: 00001012 AWN: 70001012  DnlKng: LOE(1) Info: Ausweiszuordnung abgelaufen!",
      // 00001013 holds badge 70001012 since five days: its newest assignment.
      "PNR: 00001013 AWN: 70001012  DnlKng: NEU(1) Info: Ausweiszuordnung beginnt!",
      "PNR: 00001014 AWN: 70001014  DnlKng: AEN(1) Info: Aenderung der Kostenstellenzuordnung!",
  };
  Lines lines = inst.JobLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(Datum: \d\d\.\d\d\.\d{4}  Uhrzeit: \d\d:\d\d:\d\d)")))
      << lines[0];
  EXPECT_EQ(Lines(lines.begin() + 1, lines.end()), [&] {
    Lines l = firstRun;
    l.push_back("");
    return l;
  }());
  EXPECT_EQ(inst.Entries(), Lines{});

  auto rows = [&](const std::string& where) {
    return inst.Db().Rows("select PrvPnr, coalesce(PrvDna,''), coalesce(PrvDwn,''), PrvAwa, "
                                            "coalesce(replace(substr(PrvGvo,1,10),'-',''),''), "
                                            "coalesce(replace(substr(PrvGbi,1,10),'-',''),''), coalesce(PrvKst,'') "
                                            "from Mvs510Prv where " + where + " order by PrvPnr");
  };
  EXPECT_EQ(rows("PrvPnr in ('00001004','00001006','00001007','00001008','00001011','00001014','00001015')"),
            (Lines{
                "00001004|||1|" + Day(-30) + "||KST400",          // newer period of the same badge: days only
                "00001006|||1|" + Day(-700) + "|" + Day(30) + "|KST200",  // last day set: days only
                "00001007|LOE|Marvane|2|" + Day(-700) + "||KST300",
                "00001008|||1|" + Day(-700) + "||KST400",
                "00001011|LOE|Marvane|1|" + Day(-700) + "|" + Day(-1) + "|KST300",
                "00001014|AEN|Marvane|1|" + Day(-700) + "||",
                "00001015|||1|" + Day(31) + "||KST300",  // begins next month: not visited
            }));

  // A second run: the ended employment is not marked again, while the
  // rows whose assignment stays ended or lost are closed once more.
  r = inst.Run({"A"});
  EXPECT_EQ(r.exitCode, 0) << r.output;
  lines = inst.JobLines();
  ASSERT_EQ(lines.size(), firstRun.size() + 2 + 4);
  EXPECT_TRUE(std::regex_match(lines[firstRun.size() + 2], std::regex(R"(Datum: .*  Uhrzeit: .*)")));
  EXPECT_EQ(Lines(lines.begin() + static_cast<long>(firstRun.size()) + 3, lines.end()),
            (Lines{"PNR: 00001011 AWN: 70001011  DnlKng: LOE(1) Info: Ausweiszuordnung zu Ende!",
                   "PNR: 00001012 AWN: 70001012  DnlKng: LOE(1) Info: Ausweiszuordnung abgelaufen!", ""}));
  EXPECT_EQ(inst.Entries(), Lines{});
}

// Names, streets and places exactly as wide as their columns (50
// characters) and made of characters of two to four bytes travel whole
// through S, U and A as the real program runs them; a changed one is stored
// whole by A, and a second A finds nothing to change.
TEST(FullCheckJob, TextsAsWideAsTheirColumnsTravelWholeThroughSUAndA) {
  using zeltest::StoredDay;
  using zeltest::WideText;
  zeltest::Installation inst;
  struct Person {
    std::string pnr, badge, name, street, place;
  } persons[] = {
      {"00000001", "70000001", WideText("Weißmüller-Größenbäck, Jürgen ", 50), WideText("Schloßstraße ", 50),
       WideText("Öhringen-Süd ", 50)},
      {"00000002", "70000002", WideText("Ünal-Çelik, Ayşe ", 50), WideText("Äußere Weiherstraße ", 50),
       WideText("Groß-Umstadt ", 50)},
  };
  inst.Db().Exec("insert into Mvs559Fbe values (1,'FB01','Standard')");
  for (const Person& p : persons) {
    inst.Db().Exec("insert into Mvs300Pnr values ('" + p.pnr + "','" + p.name + "','" + p.street + "','" + p.place +
                   "')");
    inst.Db().Exec("insert into Mvs310Bsv values ('" + p.pnr + "','" + StoredDay(-400) + "',NULL)");
    inst.Db().Exec("insert into Mvs301Asw values ('" + p.badge + "','" + StoredDay(-30) + "',NULL,'" + p.pnr +
                   "','ERF','" + StoredDay(-31) + "')");
    inst.Db().Exec("insert into Mvs329Ztg values ('" + p.pnr + "','" + StoredDay(0) + "','KST1')");
  }
  auto stored = [&](const Person& p) {
    return inst.Db().Value("select PrvNam, PrvStr, PrvOrt from Mvs510Prv where PrvPnr='" + p.pnr + "'");
  };
  auto whole = [](const Person& p) { return p.name + "|" + p.street + "|" + p.place; };
  auto run = [&](const std::vector<std::string>& args) {
    std::error_code ec;
    for (const char* log : {"ZelWrkJob.txt", "WrkJobLog.Txt"}) std::filesystem::remove(inst.Msg() / log, ec);
    auto r = inst.Run(args);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(inst.Entries(), Lines{}) << args[0];
    const Lines lines = inst.JobLines();
    return lines.empty() ? lines : Lines(lines.begin() + 1, lines.end());  // without the header
  };

  // S inserts the second person's row, U the first one's.
  EXPECT_EQ(run({"S", persons[1].badge, Day(-30)}),
            (Lines{"PNR: 00000002 AWN: 70000002  DnlKng: NEU(1) Info: Ausweiszuordnung beginnt!", ""}));
  EXPECT_EQ(stored(persons[1]), whole(persons[1]));
  run({"U"});
  EXPECT_EQ(stored(persons[0]), whole(persons[0]));
  EXPECT_EQ(stored(persons[1]), whole(persons[1]));

  // A name and a place change in their last character only.
  persons[0].name = WideText(persons[0].name, 49) + "ü";
  persons[1].place = WideText(persons[1].place, 49) + "ß";
  inst.Db().Exec("update Mvs300Pnr set PnrNam='" + persons[0].name + "' where PnrNum='00000001'");
  inst.Db().Exec("update Mvs300Pnr set PnrOrt='" + persons[1].place + "' where PnrNum='00000002'");
  EXPECT_EQ(run({"A"}), (Lines{"PNR: 00000001 AWN: 70000001 Info: Namens- bzw. Adressaenderung!",
                               "PNR: 00000002 AWN: 70000002 Info: Namens- bzw. Adressaenderung!", ""}));
  for (const Person& p : persons) EXPECT_EQ(stored(p), whole(p)) << p.pnr;
  EXPECT_EQ(run({"A"}), Lines{""});
  for (const Person& p : persons) EXPECT_EQ(stored(p), whole(p)) << p.pnr;
}

}  // namespace
