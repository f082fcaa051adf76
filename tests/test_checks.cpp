// The four change checks on a real database: for each situation of the
// master data, the row before, the check's answer, the row after and the
// line it hands back. Person 00000001 is the row's person; 00000002 another.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "JobTestSupport.h"
#include "jobs/Checks.h"

namespace {

using zeltest::JobBench;
using zeltest::Layout;
using zeltest::LayoutOf;
using zeltest::RowOf;

constexpr const char* kP = "00000001";

struct Case {
  const char* what;
  std::vector<std::string> assignments;  // "badge|first|last|person|recorder"
  const char* before;                    // row layout
  bool answer;
  const char* after;  // row layout
  const char* line;   // "" when the check hands back none
  std::vector<std::string> entries = {};  // message log, "function|message|code"
};

// A recorded instant that no "yyyymmddHH24MISS" text tells: the lookup that
// fetches its row fails (-1861). Each engine stores its own kind of it.
constexpr const char* kUnreadable = "|<unreadable>";
std::string Unreadable(std::string row) {
  const size_t at = row.find(kUnreadable);
  if (at != std::string::npos)
    row.replace(at, std::string(kUnreadable).size(), zeltest::OnPostgres() ? "|infinity" : "|2026-19-39 00:00:00");
  return row;
}

std::vector<std::string> Lines(const char* line) {
  if (*line == '\0') return {};
  return {std::string(line) + "\n"};
}

// The rows of a table: outcome by outcome of the badge check.
TEST(Checks, AssignmentOutcomes) {
  const char* begins = "PNR: 00000001 AWN: 70000001  DnlKng: NEU(1) Info: Ausweiszuordnung beginnt!";
  const char* ends = "PNR: 00000001 AWN: 70000001  DnlKng: LOE(1) Info: Ausweiszuordnung zu Ende!";
  const char* expired = "PNR: 00000001 AWN: 70000001  DnlKng: LOE(1) Info: Ausweiszuordnung abgelaufen!";
  const Case cases[] = {
      // Row without badge.
      {"open assignment begun: taken over", {"70000001|{-5}||00000001|ERF1"}, "|||OLD||1", true,
       "70000001|{-5}||ERF1|NEU|1", begins},
      {"last day is the run day: still current", {"70000001|{-5}|{0}|00000001|ERF1"}, "|||OLD||1", true,
       "70000001|{-5}|{0}|ERF1|NEU|1", begins},
      {"only assignment begins tomorrow", {"70000001|{1}||00000001|ERF1"}, "|||OLD||1", false, "|||OLD||1", ""},
      {"no assignment at all", {}, "|||OLD|AEN|1", false, "|||OLD|AEN|1", ""},
      {"latest assignment ended yesterday", {"70000001|{-30}|{-1}|00000001|ERF1"}, "|||OLD||1", false, "|||OLD||1",
       ""},
      {"badge meanwhile carries another person",
       {"70000001|{-30}||00000001|ERF1", "70000001|{-9}||00000002|ERF2"}, "|||OLD||1", false, "|||OLD||1", ""},
      // Row with badge.
      {"person has no begun assignment: badge and days kept", {"70000001|{3}||00000001|ERF1"},
       "70000001|{-30}||OLD|AEN|1", true, "70000001|{-30}||OLD|LOE|1", ends},
      {"same assignment ended days ago: last day is the calendar's day before the run day",
       {"70000001|{-30}|{-3}|00000001|ERF1"}, "70000001|{-30}||OLD||1", true, "70000001|{-30}|{-1}|OLD|LOE|1", ends},
      {"an ended assignment is closed again on every run", {"70000001|{-30}|{-3}|00000001|ERF1"},
       "70000001|{-30}|{-2}|OLD|LOE|1", true, "70000001|{-30}|{-1}|OLD|LOE|1", ends},
      {"same assignment ends on the run day: nothing", {"70000001|{-30}|{0}|00000001|ERF1"},
       "70000001|{-30}|{0}|OLD||1", false, "70000001|{-30}|{0}|OLD||1", ""},
      {"last day set in the master data: copied with the recorder, no line, mark kept",
       {"70000001|{-30}|{30}|00000001|ERF1"}, "70000001|{-30}||OLD|AEN|1", true, "70000001|{-30}|{30}|ERF1|AEN|1",
       ""},
      {"first day corrected", {"70000001|{-30}||00000001|ERF1"}, "70000001|{-40}||OLD||1", true,
       "70000001|{-30}||ERF1||1", ""},
      {"days equal, only the recorder differs: nothing", {"70000001|{-30}||00000001|ERF1"},
       "70000001|{-30}||OLD||1", false, "70000001|{-30}||OLD||1", ""},
      {"person moved to another badge", {"70000001|{-30}|{-1}|00000001|ERF1", "70000002|{0}||00000001|ERF2"},
       "70000001|{-30}||OLD||1", true, "70000002|{0}||ERF2|NEU|1",
       "PNR: 00000001 AWN: 70000002  DnlKng: NEU(1) Info: Ausweiszuordnung beginnt!"},
      {"moved to another badge whose assignment has ended too: taken over all the same",
       {"70000001|{-30}|{-10}|00000001|ERF1", "70000002|{-9}|{-2}|00000001|ERF2"}, "70000001|{-30}||OLD||1", true,
       "70000002|{-9}|{-2}|ERF2|NEU|1",
       "PNR: 00000001 AWN: 70000002  DnlKng: NEU(1) Info: Ausweiszuordnung beginnt!"},
      {"badge reassigned to another person after the person's assignment",
       {"70000001|{-30}|{-6}|00000001|ERF1", "70000001|{-5}||00000002|ERF2"}, "70000001|{-30}||OLD||1", true,
       "70000001|{-30}|{-1}|OLD|LOE|1", expired},
      {"person's latest badge now carries another person: row's badge and first day kept",
       {"70000001|{-30}|{-10}|00000001|ERF1", "70000002|{-9}|{-6}|00000001|ERF2", "70000002|{-5}||00000002|ERF3"},
       "70000001|{-30}||OLD|NEU|1", true, "70000001|{-30}|{-1}|OLD|LOE|1", expired},
      // One of the two lookups fails: what it would have found is unknown, so
      // the row stays as it is (a failure taken as "no assignment" would close
      // a valid badge) and the failure is reported under the lookup's name.
      {"person lookup fails, the row's badge still reads: nothing changes",
       {"70000001|{-30}||00000001|ERF1", std::string("70000002|{-5}||00000001|ERF2") + kUnreadable},
       "70000001|{-30}||OLD||1", false, "70000001|{-30}||OLD||1", "",
       {"Asw_Pnr_Read|Asw_Pnr_Read fehlgeschlagen, PNR: 00000001|-1861"}},
      {"badge lookup fails, the person's lookup reads: nothing changes",
       {"70000001|{-30}||00000001|ERF1", std::string("70000001|{-5}||00000002|ERF2") + kUnreadable},
       "70000001|{-30}||OLD||1", false, "70000001|{-30}||OLD||1", "",
       {"Asw_Num_Read|Asw_Num_Read fehlgeschlagen, PNR: 00000001|-1861"}},
      {"person has no begun assignment: ended although the badge lookup fails",
       {"70000001|{3}||00000001|ERF1", std::string("70000001|{-5}||00000002|ERF2") + kUnreadable},
       "70000001|{-30}||OLD|AEN|1", true, "70000001|{-30}||OLD|LOE|1", ends,
       {"Asw_Num_Read|Asw_Num_Read fehlgeschlagen, PNR: 00000001|-1861"}},
      {"row without badge, person lookup fails: nothing changes",
       {std::string("70000001|{-5}||00000001|ERF1") + kUnreadable}, "|||OLD||1", false, "|||OLD||1", "",
       {"Asw_Pnr_Read|Asw_Pnr_Read fehlgeschlagen, PNR: 00000001|-1861"}},
  };
  for (const Case& c : cases) {
    JobBench bench;
    bench.Calendar();
    for (const std::string& a : c.assignments) bench.Assignment(Unreadable(a));
    PrvRecord rec = RowOf(kP, c.before);
    CheckLines lines;
    EXPECT_EQ(CheckAssignment(rec, bench.run, lines), c.answer) << c.what;
    EXPECT_EQ(LayoutOf(rec), Layout(c.after)) << c.what;
    EXPECT_EQ(lines, Lines(c.line)) << c.what;
    EXPECT_EQ(bench.Entries(), c.entries) << c.what;
  }
}

TEST(Checks, EndedAssignmentGetsTheRunDayWhenTheCalendarLacksTheDayBefore) {
  JobBench bench;
  bench.Calendar(0, 5);
  bench.Assignment("70000001|{-30}|{-3}|00000001|ERF1");
  PrvRecord rec = RowOf(kP, "70000001|{-30}||OLD||1");
  CheckLines lines;
  EXPECT_TRUE(CheckAssignment(rec, bench.run, lines));
  EXPECT_EQ(LayoutOf(rec), Layout("70000001|{-30}|{0}|OLD|LOE|1"));
}

TEST(Checks, Employment) {
  struct EmploymentCase {
    const char* what;
    const char* from;  // employment period; nullptr: none
    const char* to;
    const char* before;
    bool answer;
    bool changed;
    const char* after;
    const char* line;
  } cases[] = {
      {"no period: ended, marked LOE", nullptr, "", "70000001|{-30}||E|AEN|1", false, true,
       "70000001|{-30}||E|LOE|2",
       "PNR: 00000001 AWN: 70000001  DnlKng: LOE(2) Info: Beschäftigungsverhaeltnis zu Ende!"},
      {"period begins tomorrow", "{1}", "", "|||E||1", false, true, "|||E|LOE|2",
       "PNR: 00000001 AWN:           DnlKng: LOE(2) Info: Beschäftigungsverhaeltnis zu Ende!"},
      {"period ends today: employed", "{-100}", "{0}", "70000001|{-30}||E||1", true, false, "70000001|{-30}||E||1",
       ""},
      {"employed again: state 1, pending mark kept", "{-100}", "", "70000001|{-30}||E|LOE|2", true, true,
       "70000001|{-30}||E|LOE|1",
       "PNR: 00000001 AWN: 70000001  DnlKng: LOE(1) Info: Beschäftigungsverhaeltnis beginnt!"},
      {"employed again, nothing pending", "{-100}", "", "70000001|{-30}||E||2", true, true, "70000001|{-30}||E||1",
       "PNR: 00000001 AWN: 70000001  DnlKng: (1) Info: Beschäftigungsverhaeltnis beginnt!"},
      {"still not employed: an ended employment is marked once", nullptr, "", "70000001|{-30}||E||2", false, false,
       "70000001|{-30}||E||2", ""},
      {"state 0 without period is left alone", nullptr, "", "70000001|{-30}||E||0", false, false,
       "70000001|{-30}||E||0", ""},
  };
  for (const auto& c : cases) {
    JobBench bench;
    if (c.from) bench.Employment(kP, c.from, c.to);
    bench.Employment("00000002", "{-100}");
    PrvRecord rec = RowOf(kP, c.before);
    bool changed = false;
    CheckLines lines;
    EXPECT_EQ(CheckEmployment(rec, changed, lines), c.answer) << c.what;
    EXPECT_EQ(changed, c.changed) << c.what;
    EXPECT_EQ(LayoutOf(rec), Layout(c.after)) << c.what;
    EXPECT_EQ(lines, Lines(c.line)) << c.what;
  }
}

TEST(Checks, CostCentre) {
  struct CostCase {
    const char* what;
    const char* today;  // cost centre of today; nullptr: no row for today
    const char* before;
    bool answer;
    const char* after;
    const char* line;
  } cases[] = {
      {"unchanged", "KST1", "70000001|||E||1||KST1", false, "70000001|||E||1||KST1", ""},
      {"changed, nothing pending: AEN", "KST2", "70000001|||E||1||KST1", true, "70000001|||E|AEN|1||KST2",
       "PNR: 00000001 AWN: 70000001  DnlKng: AEN(1) Info: Aenderung der Kostenstellenzuordnung!"},
      {"changed with NEU pending: NEU stays", "KST2", "70000001|||E|NEU|1|Marvane|KST1", true,
       "70000001|||E|NEU|1|Marvane|KST2",
       "PNR: 00000001 AWN: 70000001  DnlKng: NEU(1) Info: Aenderung der Kostenstellenzuordnung!"},
      {"no row for today empties the cost centre", nullptr, "70000001|||E||1||KST1", true, "70000001|||E|AEN|1||",
       "PNR: 00000001 AWN: 70000001  DnlKng: AEN(1) Info: Aenderung der Kostenstellenzuordnung!"},
      {"no row for today and none on the row", nullptr, "70000001|||E||1||", false, "70000001|||E||1||", ""},
  };
  for (const auto& c : cases) {
    JobBench bench;
    bench.CostCentre(kP, "KSTY", -1);  // only today's row counts
    bench.CostCentre(kP, "KSTT", 1);
    if (c.today) bench.CostCentre(kP, c.today);
    PrvRecord rec = RowOf(kP, c.before);
    CheckLines lines;
    EXPECT_EQ(CheckCostCentre(rec, lines), c.answer) << c.what;
    EXPECT_EQ(LayoutOf(rec), Layout(c.after)) << c.what;
    EXPECT_EQ(lines, Lines(c.line)) << c.what;
  }
}

TEST(Checks, NameAndAddress) {
  struct NameCase {
    const char* what;
    bool person;  // master row present
    const char* before;
    bool answer;
    const char* after;
    const char* line;
  } cases[] = {
      {"unchanged", true, "70000001|||E||1|||Adler, Jonas|Lindenweg 4|Ravensbrook", false,
       "70000001|||E||1|||Adler, Jonas|Lindenweg 4|Ravensbrook", ""},
      {"name changed: mark untouched", true, "70000001|||E||1|||Adler, J.|Lindenweg 4|Ravensbrook", true,
       "70000001|||E||1|||Adler, Jonas|Lindenweg 4|Ravensbrook",
       "PNR: 00000001 AWN: 70000001 Info: Namens- bzw. Adressaenderung!"},
      {"street and place changed, row without badge", true, "|||E|LOE|1|||Adler, Jonas|Gasse 1|Oberhall", true,
       "|||E|LOE|1|||Adler, Jonas|Lindenweg 4|Ravensbrook",
       "PNR: 00000001 AWN:          Info: Namens- bzw. Adressaenderung!"},
      {"person deleted: all three emptied", false, "70000001|||E||1|||Adler, Jonas|Lindenweg 4|Ravensbrook", true,
       "70000001|||E||1|||||", "PNR: 00000001 AWN: 70000001 Info: Namens- bzw. Adressaenderung!"},
  };
  for (const auto& c : cases) {
    JobBench bench;
    if (c.person) bench.Person(kP);
    bench.Person("00000002", "Brandt, Mira", "Am Mühlbach 12", "Ravensbrook");
    PrvRecord rec = RowOf(kP, c.before);
    CheckLines lines;
    EXPECT_EQ(CheckNameAddress(rec, lines), c.answer) << c.what;
    EXPECT_EQ(LayoutOf(rec), Layout(c.after)) << c.what;
    EXPECT_EQ(lines, Lines(c.line)) << c.what;
  }
}

// Lookups that fail (here: their tables are gone) change nothing in their
// check, the employment state included, and each failure is reported under
// the lookup's name: a row that stays stale run after run shows why.
TEST(Checks, FailedLookupsChangeNothingAndAreReported) {
  JobBench bench;
  bench.Calendar();
  for (const char* table : {"Mvs310Bsv", "Mvs301Asw", "Mvs329Ztg", "Mvs300Pnr"})
    bench.db.Exec(std::string("drop table ") + table);

  const char* layout = "70000001|{-30}||E||2||KST1|Adler, Jonas|Lindenweg 4|Ravensbrook";
  PrvRecord rec = RowOf(kP, layout);
  bool changed = false;
  CheckLines lines;
  EXPECT_FALSE(CheckEmployment(rec, changed, lines));
  EXPECT_FALSE(changed);
  EXPECT_FALSE(CheckAssignment(rec, bench.run, lines));
  PrvRecord noBadge = RowOf(kP, "|||E||1");
  EXPECT_FALSE(CheckAssignment(noBadge, bench.run, lines));
  EXPECT_FALSE(CheckCostCentre(rec, lines));
  EXPECT_FALSE(CheckNameAddress(rec, lines));

  EXPECT_EQ(LayoutOf(rec), Layout(layout));
  EXPECT_EQ(LayoutOf(noBadge), Layout("|||E||1"));
  EXPECT_EQ(lines, CheckLines{});
  // Function and message of each entry; the code is the engine's status for
  // a missing table, negative on every engine.
  std::vector<std::string> reported;
  for (const std::string& e : bench.Entries()) {
    const size_t bar = e.rfind('|');
    EXPECT_LT(std::stoi(e.substr(bar + 1)), 0) << e;
    reported.push_back(e.substr(0, bar));
  }
  EXPECT_EQ(reported, (std::vector<std::string>{
                          "Bsv_PnrReadk|Bsv_PnrReadk fehlgeschlagen, PNR: 00000001",
                          "Asw_Pnr_Read|Asw_Pnr_Read fehlgeschlagen, PNR: 00000001",
                          "Asw_Num_Read|Asw_Num_Read fehlgeschlagen, PNR: 00000001",
                          "Asw_Pnr_Read|Asw_Pnr_Read fehlgeschlagen, PNR: 00000001",
                          "Ztg_PnrReadk|Ztg_PnrReadk fehlgeschlagen, PNR: 00000001",
                          "Pnr_PKeyReadk|Pnr_PKeyReadk fehlgeschlagen, PNR: 00000001",
                      }));
}

}  // namespace
