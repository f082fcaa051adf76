// The master-data reads (badge assignments, persons, employment periods,
// daily cost centres) and the calendar operations on a real database: which
// rows each statement selects and in which order, which fields each
// operation writes, and that nothing is written unless the status is 0.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "DbTestSupport.h"
#include "db/DbDb.h"
#include "db/Dbstd.h"
#include "util/OraStatus.h"

namespace {

using zeltest::Day;
using zeltest::StoredDay;
using zeltest::TestDatabase;

std::string Q(const std::optional<std::string>& s) { return s ? "'" + *s + "'" : "NULL"; }

// One Mvs301Asw row: first day and last day as offsets from today (no last
// day: open end), recorded at 08:15:30 two days before its first day.
void AddAssignment(TestDatabase& db, const std::string& badge, int from, std::optional<int> to,
                   const std::optional<std::string>& pnr, const std::string& erf = "PERSONAL") {
  const std::string recorded = StoredDay(from - 2).substr(0, 11) + "08:15:30";
  db.Exec("insert into Mvs301Asw (AswNum,AswGvo,AswGbi,AswPnr,AswErf,AswDat) values ('" + badge + "','" +
          StoredDay(from) + "'," + (to ? "'" + StoredDay(*to) + "'" : std::string("NULL")) + "," + Q(pnr) + ",'" +
          erf + "','" + recorded + "')");
}

void AddPerson(TestDatabase& db, const std::string& pnr, const std::string& name) {
  db.Exec("insert into Mvs300Pnr values ('" + pnr + "','" + name + "','Str " + pnr + "','Ort " + pnr + "')");
}

// What a fetched or read record holds, in field order, '|' between fields.
std::string Show(const AswRecord& a) {
  return a.AswPnr.str() + "|" + a.AswNum.str() + "|" + a.AswGvo.str() + "|" + a.AswGbi.str() + "|" + a.AswErf.str() +
         "|" + a.AswDat.str() + "|" + a.PnrNam.str() + "|" + a.PnrStr.str() + "|" + a.PnrOrt.str();
}

// AswDat as the reads deliver it for an assignment beginning at `from`.
std::string Recorded(int from) { return Day(from - 2) + "081530"; }

// A record whose every field holds a marker, to see which fields a read writes.
AswRecord Marked() {
  AswRecord a{};
  a.AswPnr = "xPnr";
  a.AswNum = "xNum";
  a.AswGvo = "xGvo";
  a.AswGbi = "xGbi";
  a.AswErf = "xErf";
  a.AswDat = "xDat";
  a.PnrNam = "xNam";
  a.PnrStr = "xStr";
  a.PnrOrt = "xOrt";
  return a;
}

std::vector<std::string> AllCurrent() {
  std::vector<std::string> rows;
  EXPECT_EQ(Asw_PnrAll_Open(), 0);
  AswRecord a{};
  int32_t status;
  while ((status = Asw_PnrAll_Read(a)) == 0) {
    rows.push_back(Show(a));
    a = AswRecord{};
  }
  EXPECT_EQ(status, ora::kNoRow);
  EXPECT_EQ(Asw_PnrAll_Close(), 0);
  return rows;
}

// The master data of the cursor tests:
//   person 00000001: badge 7001 current open-ended, 7002 ends today,
//                    7003 ended yesterday, 7004 begins tomorrow
//   person 00000002: badge 7005 since day -30, badge 7006 since day -10
//                    (two current assignments), badge 7005 again from -400
//                    to -300 (ended long ago)
//   person 00000009: badge 7008 current, but no Mvs300Pnr row
//   badge 7007:      current, assigned to no person
void CursorMasterData(TestDatabase& db) {
  AddPerson(db, "00000001", "Anna Öztürk");
  AddPerson(db, "00000002", "Bernd Ahrens");
  AddAssignment(db, "7001", -100, std::nullopt, "00000001");
  AddAssignment(db, "7002", -50, 0, "00000001");
  AddAssignment(db, "7003", -200, -1, "00000001");
  AddAssignment(db, "7004", 1, std::nullopt, "00000001");
  AddAssignment(db, "7005", -30, std::nullopt, "00000002");
  AddAssignment(db, "7006", -10, 20, "00000002", "ERFASSER");
  AddAssignment(db, "7005", -400, -300, "00000002");
  AddAssignment(db, "7007", -5, std::nullopt, std::nullopt);
  AddAssignment(db, "7008", -5, std::nullopt, "00000009");
}

TEST(AswOperations, CurrentAssignmentsCursorSelectsTodaysAssignmentsOfKnownPersonsGroupedNewestFirst) {
  TestDatabase db;
  CursorMasterData(db);
  const std::string p1 = "|Anna Öztürk|Str 00000001|Ort 00000001";
  const std::string p2 = "|Bernd Ahrens|Str 00000002|Ort 00000002";
  EXPECT_EQ(AllCurrent(), (std::vector<std::string>{
                              "00000001|7002|" + Day(-50) + "|" + Day(0) + "|PERSONAL|" + Recorded(-50) + p1,
                              "00000001|7001|" + Day(-100) + "||PERSONAL|" + Recorded(-100) + p1,
                              "00000002|7006|" + Day(-10) + "|" + Day(20) + "|ERFASSER|" + Recorded(-10) + p2,
                              "00000002|7005|" + Day(-30) + "||PERSONAL|" + Recorded(-30) + p2,
                          }));
}

TEST(AswOperations, BadgeAndPersonCursorsYieldTheLatestBegunAssignmentEndedOrNot) {
  TestDatabase db;
  CursorMasterData(db);
  struct Case {
    const char* what;
    bool byBadge;
    const char* key;
    std::vector<std::string> rows;  // every fetch until 1403, as Show() gives them
  } cases[] = {
      {"ended yesterday is still the badge's latest", true, "7003",
       {"00000001|xNum|" + Day(-200) + "|" + Day(-1) + "|PERSONAL|" + Recorded(-200) + "|xNam|xStr|xOrt"}},
      {"begins tomorrow: nothing has begun", true, "7004", {}},
      {"unknown badge", true, "7999", {}},
      {"two periods of one badge, newest first", true, "7005",
       {"00000002|xNum|" + Day(-30) + "||PERSONAL|" + Recorded(-30) + "|xNam|xStr|xOrt",
        "00000002|xNum|" + Day(-400) + "|" + Day(-300) + "|PERSONAL|" + Recorded(-400) + "|xNam|xStr|xOrt"}},
      {"badge without a person", true, "7007",
       {"|xNum|" + Day(-5) + "||PERSONAL|" + Recorded(-5) + "|xNam|xStr|xOrt"}},
      {"person: tomorrow's badge left out, yesterday's included", false, "00000001",
       {"xPnr|7002|" + Day(-50) + "|" + Day(0) + "|PERSONAL|" + Recorded(-50) + "|xNam|xStr|xOrt",
        "xPnr|7001|" + Day(-100) + "||PERSONAL|" + Recorded(-100) + "|xNam|xStr|xOrt",
        "xPnr|7003|" + Day(-200) + "|" + Day(-1) + "|PERSONAL|" + Recorded(-200) + "|xNam|xStr|xOrt"}},
      {"person without a Mvs300Pnr row still has assignments", false, "00000009",
       {"xPnr|7008|" + Day(-5) + "||PERSONAL|" + Recorded(-5) + "|xNam|xStr|xOrt"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ((c.byBadge ? Asw_Num_Open : Asw_Pnr_Open)(c.key), 0) << c.what;
    std::vector<std::string> rows;
    int32_t status;
    AswRecord a = Marked();
    while ((status = (c.byBadge ? Asw_Num_Read : Asw_Pnr_Read)(a)) == 0) {
      rows.push_back(Show(a));
      a = Marked();
    }
    EXPECT_EQ(Show(a), Show(Marked())) << c.what << ": 1403 writes nothing";
    EXPECT_EQ((c.byBadge ? Asw_Num_Close : Asw_Pnr_Close)(), 0) << c.what;
    EXPECT_EQ(status, ora::kNoRow) << c.what;
    EXPECT_EQ(rows, c.rows) << c.what;
  }
}

TEST(AswOperations, AssignmentKeyReadWritesItsSevenFieldsOnlyWhenFound) {
  TestDatabase db;
  CursorMasterData(db);
  struct Case {
    const char* what;
    const char* badge;
    std::string firstDay;
    int32_t status;
    std::string after;
  } cases[] = {
      {"found, open end", "7001", Day(-100), 0,
       "00000001|7001|" + Day(-100) + "||PERSONAL|" + Recorded(-100) + "|Anna Öztürk|Str 00000001|Ort 00000001"},
      {"found, ended", "7003", Day(-200), 0,
       "00000001|7003|" + Day(-200) + "|" + Day(-1) + "|PERSONAL|" + Recorded(-200) +
           "|Anna Öztürk|Str 00000001|Ort 00000001"},
      {"another first day of the badge", "7001", Day(-99), ora::kNoRow,
       "xPnr|7001|" + Day(-99) + "|xGbi|xErf|xDat|xNam|xStr|xOrt"},
      {"person without Mvs300Pnr row", "7008", Day(-5), ora::kNoRow,
       "xPnr|7008|" + Day(-5) + "|xGbi|xErf|xDat|xNam|xStr|xOrt"},
      {"no person at all", "7007", Day(-5), ora::kNoRow, "xPnr|7007|" + Day(-5) + "|xGbi|xErf|xDat|xNam|xStr|xOrt"},
      {"first day that is no day", "7001", "20261340", ora::kDateFormat,
       "xPnr|7001|20261340|xGbi|xErf|xDat|xNam|xStr|xOrt"},
  };
  for (const Case& c : cases) {
    AswRecord a = Marked();
    a.AswNum = c.badge;
    a.AswGvo = c.firstDay;
    EXPECT_EQ(Asw_PKeyReadk(a), c.status) << c.what;
    EXPECT_EQ(Show(a), c.after) << c.what;
  }
}

TEST(AswOperations, PersonEmploymentAndCostCentreReads) {
  TestDatabase db;
  AddPerson(db, "00000001", "Anna Öztürk");
  db.Exec("insert into Mvs300Pnr values ('00000002',NULL,'Weg 2',NULL)");
  auto employment = [&](const char* pnr, int from, std::optional<int> to) {
    db.Exec("insert into Mvs310Bsv values ('" + std::string(pnr) + "','" + StoredDay(from) + "'," +
            (to ? "'" + StoredDay(*to) + "'" : std::string("NULL")) + ")");
  };
  employment("00000001", -300, 0);          // ends today
  employment("00000002", -300, -1);         // ended yesterday
  employment("00000003", -300, std::nullopt);  // open-ended
  employment("00000004", 1, std::nullopt);  // begins tomorrow
  employment("00000005", 0, 0);             // today only
  EXPECT_EQ(Bsv_PnrReadk("00000001"), 0);
  EXPECT_EQ(Bsv_PnrReadk("00000002"), ora::kNoRow);
  EXPECT_EQ(Bsv_PnrReadk("00000003"), 0);
  EXPECT_EQ(Bsv_PnrReadk("00000004"), ora::kNoRow);
  EXPECT_EQ(Bsv_PnrReadk("00000005"), 0);
  EXPECT_EQ(Bsv_PnrReadk("00000099"), ora::kNoRow);

  FixedText<51> name{}, street{}, place{};
  name = "keep";
  street = "keep";
  place = "keep";
  EXPECT_EQ(Pnr_PKeyReadk("00000099", name, street, place), ora::kNoRow);
  EXPECT_EQ(name.str() + "|" + street.str() + "|" + place.str(), "keep|keep|keep");
  EXPECT_EQ(Pnr_PKeyReadk("00000001", name, street, place), 0);
  EXPECT_EQ(name.str() + "|" + street.str() + "|" + place.str(), "Anna Öztürk|Str 00000001|Ort 00000001");
  EXPECT_EQ(Pnr_PKeyReadk("00000002", name, street, place), 0);
  EXPECT_EQ(name.str() + "|" + street.str() + "|" + place.str(), "|Weg 2|");

  auto costCentre = [&](const char* pnr, int from, const char* kst) {
    db.Exec("insert into Mvs329Ztg values ('" + std::string(pnr) + "','" + StoredDay(from) + "'," +
            (kst ? "'" + std::string(kst) + "'" : std::string("NULL")) + ")");
  };
  costCentre("00000001", -1, "K-GESTERN");
  costCentre("00000001", 0, "K-HEUTE");
  costCentre("00000002", -1, "K-ALT");      // began yesterday: not today's
  costCentre("00000003", 1, "K-MORGEN");
  costCentre("00000004", 0, nullptr);
  struct Case {
    const char* pnr;
    int32_t status;
    const char* after;
  } cases[] = {
      {"00000001", 0, "K-HEUTE"},
      {"00000002", ora::kNoRow, "vorher"},
      {"00000003", ora::kNoRow, "vorher"},
      {"00000004", 0, ""},
      {"00000099", ora::kNoRow, "vorher"},
  };
  for (const Case& c : cases) {
    FixedText<11> kst{};
    kst = "vorher";
    EXPECT_EQ(Ztg_PnrReadk(c.pnr, kst), c.status) << c.pnr;
    EXPECT_EQ(kst.str(), c.after) << c.pnr;
  }
}

TEST(AswOperations, CurrentAssignmentsCursorGoesOnWhileTheSessionWorksBetweenFetches) {
  TestDatabase db;
  for (const char* pnr : {"00000001", "00000002", "00000003", "00000004"}) {
    AddPerson(db, pnr, std::string("Name ") + pnr);
    AddAssignment(db, std::string("7") + (pnr + 5), -10, std::nullopt, pnr);
  }
  db.Exec("insert into Mvs329Ztg values ('00000002','" + StoredDay(0) + "','K2')");
  db.Exec("insert into Mvs310Bsv values ('00000003','" + StoredDay(-10) + "',NULL)");

  ASSERT_EQ(Asw_PnrAll_Open(), 0);
  std::vector<std::string> seen;
  AswRecord a{};
  while (Asw_PnrAll_Read(a) == 0) {
    seen.push_back(a.AswPnr.str());
    PrvRecord prv{};
    prv.PrvPnr = a.AswPnr;
    ASSERT_EQ(Prv_PKeyReadk(prv), ora::kNoRow);
    prv.PrvAwn = a.AswNum;
    prv.PrvGvo = a.AswGvo;
    Ztg_PnrReadk(a.AswPnr.c_str(), prv.PrvKst);
    ASSERT_EQ(Prv_PKeyIns(prv), 0);                       // savepoint and commit
    EXPECT_EQ(Prv_PKeyIns(prv), ora::kUniqueViolated);    // rollback to savepoint
    prv.PrvDna = "NEU";
    ASSERT_EQ(Prv_PKeyUpd(prv), 0);
    ASSERT_EQ(Prv_PKeyReadk(prv), 0);
    dbCommit();
    Bsv_PnrReadk(a.AswPnr.c_str());
    FixedText<51> n{}, s{}, o{};
    EXPECT_EQ(Pnr_PKeyReadk(a.AswPnr.c_str(), n, s, o), 0);
    // Another cursor of the module opened and closed in between.
    AswRecord other{};
    ASSERT_EQ(Asw_Pnr_Open(a.AswPnr.c_str()), 0);
    EXPECT_EQ(Asw_Pnr_Read(other), 0);
    EXPECT_EQ(Asw_Pnr_Close(), 0);
    a = AswRecord{};
  }
  EXPECT_EQ(Asw_PnrAll_Read(a), ora::kNoRow);
  EXPECT_EQ(Asw_PnrAll_Close(), 0);
  EXPECT_EQ(seen, (std::vector<std::string>{"00000001", "00000002", "00000003", "00000004"}));
  EXPECT_EQ(db.Rows("select PrvPnr, PrvKst, PrvDna from Mvs510Prv order by PrvPnr"),
            (std::vector<std::string>{"00000001|<null>|NEU", "00000002|K2|NEU", "00000003|<null>|NEU",
                                      "00000004|<null>|NEU"}));
}

// ---- Calendar -------------------------------------------------------------

// Calendar rows for the days of `days` ("yyyy-mm-dd"); the numbers are made
// up (so that a read is seen to take them from the table, not compute them).
void AddCalendar(TestDatabase& db, const std::vector<std::string>& days) {
  int n = 0;
  for (const std::string& d : days) {
    ++n;
    db.Exec("insert into Mvs133Bak values ('" + d + " 00:00:00'," + std::to_string(2000 + n) + "," +
            std::to_string(n) + "," + std::to_string(10 + n) + "," + std::to_string(20 + n) + "," +
            std::to_string(n % 7) + "," + std::to_string(100 + n) + ")");
  }
}

TEST(CalendarOperations, DateShiftFindsTheDayByArithmeticAndAlwaysLeavesADay) {
  TestDatabase db;
  // 2024-03-01 is missing on purpose; 2024 is a leap year.
  AddCalendar(db, {"2024-02-28", "2024-02-29", "2024-03-02", "2024-12-31", "2025-01-01"});
  struct Case {
    const char* what;
    int offset;
    const char* day;
    int32_t status;
    const char* second;
  } cases[] = {
      {"the day before, over a month end; the base day need not be in the calendar", -1, "20240301", 0, "20240229"},
      {"the day before is missing in the calendar", -1, "20240302", ora::kNoRow, "20240302"},
      {"offset 0 returns the day itself", 0, "20240229", 0, "20240229"},
      {"offset 0 on a day the calendar lacks", 0, "20240301", ora::kNoRow, "20240301"},
      {"over a year end", -1, "20250101", 0, "20241231"},
      {"forward over the missing day", 3, "20240228", 0, "20240302"},
      {"a day text that is no day", -1, "20240230", ora::kDateFormat, "20240230"},
  };
  for (const Case& c : cases) {
    char second[9] = "XXXXXXXX";
    EXPECT_EQ(Bak_Calc(2, c.offset, c.day, second), c.status) << c.what;
    EXPECT_STREQ(second, c.second) << c.what;
  }
}

TEST(CalendarOperations, DateReadTakesTheNumbersFromTheTableAndWritesNothingOnFailure) {
  TestDatabase db;
  AddCalendar(db, {"2024-02-28", "2024-02-29"});
  BakRecord r{};
  r.BakDtm = "20240228";
  r.BakDays = 1;
  ASSERT_EQ(Bak_DateReadk(r), 0);
  EXPECT_EQ(r.BakDtm.str(), "20240229");
  EXPECT_EQ(std::vector<int32_t>({r.BakJhr, r.BakMon, r.BakTag, r.BakWch, r.BakWtg, r.BakJtg, r.BakDays}),
            std::vector<int32_t>({2002, 2, 12, 22, 2, 102, 1}));
  BakRecord before = r;
  r.BakDays = 5;
  before.BakDays = 5;
  EXPECT_EQ(Bak_DateReadk(r), ora::kNoRow);
  EXPECT_EQ(std::memcmp(&r, &before, sizeof r), 0);
}

TEST(CalendarOperations, DayCountIsOpenAtTheFirstDayAndClosedAtTheLast) {
  TestDatabase db;
  AddCalendar(db, {"2024-02-27", "2024-02-28", "2024-02-29", "2024-03-02"});
  struct Case {
    const char* first;
    const char* last;
    int32_t count;
  } cases[] = {
      {"20240228", "20240228", 0},  // the same day
      {"20240228", "20240229", 1},  // the next day, in the calendar
      {"20240229", "20240228", 0},  // reversed
      {"20240226", "20240303", 4},  // only calendar rows count
      {"20240229", "20240301", 0},  // the last day is not in the calendar
      {"20240227", "20240230", 0},  // a failing statement also gives 0
  };
  for (const Case& c : cases) {
    char last[9];
    std::snprintf(last, sizeof last, "%s", c.last);
    EXPECT_EQ(Bak_Calc(1, 99, c.first, last), c.count) << c.first << ".." << c.last;
    EXPECT_STREQ(last, c.last);
  }
  BakRecord r{};
  r.BakDtm = "20240227";
  r.BakDtmEnd = "20240230";
  r.BakDays = 7;
  EXPECT_EQ(Bak_Count(r), ora::kDateFormat);
  EXPECT_EQ(r.BakDays, 7);
}

TEST(CalendarOperations, OtherModesDoNothing) {
  TestDatabase db;
  AddCalendar(db, {"2024-02-28", "2024-02-29"});
  for (int mode : {0, 3, -2}) {
    char second[9] = "XXXXXXXX";
    EXPECT_EQ(Bak_Calc(mode, 1, "20240228", second), 0) << mode;
    EXPECT_STREQ(second, "XXXXXXXX") << mode;
  }
}

}  // namespace
