// Oracle's semantics on every engine the tests run on (SQLite unless
// ZEL_TEST_ENGINE says otherwise): status codes, NULL and empty text, the
// savepoint pattern, cursors across commits, visibility to other
// connections, locks, and the connect rules.
#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <iterator>
#include <regex>

#include "DbTestSupport.h"
#include "db/EngineFactory.h"
#include "db/Dbstd.h"
#include "db/Statement.h"
#include "db/engine/postgres/PgEngine.h"
#include "db/engine/sqlite/SqliteEngine.h"
#include "platform/Clock.h"
#include "util/OraStatus.h"

namespace {

using zeltest::Day;
using zeltest::StoredDay;
using zeltest::TestDatabase;

PrvRecord NewRow(const char* pnr) {
  PrvRecord r{};
  r.PrvPnr = pnr;
  r.PrvGvo = Day(-10);
  r.PrvKst = "KST100";
  r.PrvFbe = "FB09";
  r.PrvDna = "NEU";
  r.PrvDwn = "Marvane";
  r.PrvAwa = 1;
  r.PrvAwn = "70001001";
  r.PrvSta = 1;
  r.PrvPzm = 1;
  r.PrvNam = "Müller, Anna";
  r.PrvStr = "Lindenweg 4";
  r.PrvOrt = "Ravensbrook";
  return r;
}

TEST(DbSemantics, DuplicateInsertFailsAloneAndTheSessionGoesOn) {
  TestDatabase db;
  PrvRecord r = NewRow("00000001");
  ASSERT_EQ(Prv_PKeyIns(r), 0);
  r.PrvKst = "OTHER";
  EXPECT_EQ(Prv_PKeyIns(r), ora::kUniqueViolated);
  EXPECT_EQ(db.Value("select PrvKst from Mvs510Prv"), "KST100");
  // The failed write holds nothing (SQLite: not the database's write lock):
  // another connection writes at once.
  db.Exec("update Mvs510Prv set PrvKst='KST100' where PrvPnr='00000001'");
  PrvRecord next = NewRow("00000002");
  EXPECT_EQ(Prv_PKeyIns(next), 0);
  EXPECT_EQ(db.Value("select count(*) from Mvs510Prv"), "2");
  // Nothing is left pending: another connection can write at once.
  db.Exec("update Mvs510Prv set PrvKst='X' where PrvPnr='00000002'");
}

TEST(DbSemantics, NoRowOutcomesAre1403) {
  TestDatabase db;
  PrvRecord r = NewRow("00000001");
  EXPECT_EQ(Prv_PKeyUpd(r), ora::kNoRow);
  EXPECT_EQ(Prv_PKeyDel("00000001"), ora::kNoRow);
  EXPECT_EQ(Prv_Delete(), ora::kNoRow);
  EXPECT_EQ(Prv_PKeyReadk(r), ora::kNoRow);
  EXPECT_EQ(db.Value("select count(*) from Mvs510Prv"), "0");
  ASSERT_EQ(Prv_PKeyIns(r), 0);
  EXPECT_EQ(Prv_Delete(), 0);
  EXPECT_EQ(db.Value("select count(*) from Mvs510Prv"), "0");
}

TEST(DbSemantics, EmptyTextIsNullBothWaysAndInstantsRoundTrip) {
  TestDatabase db;
  PrvRecord r = NewRow("00000001");
  r.PrvGbi = "";
  r.PrvAvn = "20261207094107";
  r.PrvZf1 = "";
  ASSERT_EQ(Prv_PKeyIns(r), 0);
  EXPECT_EQ(db.Value("select PrvGbi, PrvZf1, PrvAvn, PrvAbi from Mvs510Prv"),
            "<null>|<null>|2026-12-07 09:41:07|<null>");
  PrvRecord back{};
  back.PrvPnr = "00000001";
  ASSERT_EQ(Prv_PKeyReadk(back), 0);
  EXPECT_EQ(back.PrvAvn.str(), "20261207094107");
  EXPECT_TRUE(back.PrvGbi.empty());
  EXPECT_TRUE(back.PrvZf1.empty());
  EXPECT_EQ(back.PrvNam.str(), "Müller, Anna");
}

TEST(DbSemantics, SysdateIsThisMachinesLocalTime) {
  TestDatabase db;
  PrvRecord r = NewRow("00000001");
  ASSERT_EQ(Prv_PKeyIns(r), 0);
  const std::string stamp = db.Value("select PrvDat from Mvs510Prv");
  EXPECT_EQ(stamp.substr(0, 10), StoredDay(0).substr(0, 10));
  // Local, not UTC: the stored time equals the local clock within a minute.
  std::time_t now = std::time(nullptr);
  std::tm local{};
  Plat_LocalTime(now, local);
  const int storedMinutes = std::stoi(stamp.substr(11, 2)) * 60 + std::stoi(stamp.substr(14, 2));
  const int localMinutes = local.tm_hour * 60 + local.tm_min;
  EXPECT_LE(std::abs(storedMinutes - localMinutes), 1);

  // The same statement run again a second later stamps the later second:
  // SQLite's engine binds the clock texts anew once the clock has moved on
  // (a server reads its own clock, which a test cannot set).
  if (zeltest::OnPostgres()) return;
  for (const std::time_t at : {now - 3600, now - 3599}) {
    Plat_SetTestClock([at] { return at; });
    ASSERT_EQ(Prv_PKeyUpd(r), 0);
    Plat_LocalTime(at, local);
    char expected[32];
    std::strftime(expected, sizeof expected, "%Y-%m-%d %H:%M:%S", &local);
    EXPECT_EQ(db.Value("select PrvDat from Mvs510Prv"), expected);
  }
  Plat_SetTestClock({});
}

TEST(DbSemantics, CursorGoesOnAfterCommitsOfItsOwnSession) {
  TestDatabase db;
  for (const char* pnr : {"00000001", "00000002", "00000003"}) {
    PrvRecord r = NewRow(pnr);
    ASSERT_EQ(Prv_PKeyIns(r), 0);
  }
  ASSERT_EQ(Prv_PnrRange_Open("00000000", "99999999"), 0);
  std::vector<std::string> seen;
  PrvRecord r{};
  while (Prv_PKeyRead(r) == 0) {
    seen.push_back(r.PrvPnr.str());
    r.PrvKst = "UPD";
    ASSERT_EQ(Prv_PKeyUpd(r), 0);  // commits while the cursor is open
    PrvRecord dup = NewRow(r.PrvPnr.c_str());
    EXPECT_EQ(Prv_PKeyIns(dup), ora::kUniqueViolated);  // and a rollback to savepoint
  }
  EXPECT_EQ(Prv_PnrRange_Close(), 0);
  EXPECT_EQ(seen, (std::vector<std::string>{"00000001", "00000002", "00000003"}));
  EXPECT_EQ(db.Value("select count(*) from Mvs510Prv where PrvKst='UPD'"), "3");
}

// A row that cannot be read fails the fetch of that very row, and only that
// one: every row before it arrives, on a cursor the engine sorts (SQLite
// computes its rows ahead of the fetches) as on one it walks in key order,
// the first row included, and the next fetch goes on after it.
TEST(DbSemantics, AFaultyRowFailsItsOwnFetch) {
  // A day that is no day is a text that is none on SQLite; a timestamp of
  // PostgreSQL can hold what no day text of the years 1 to 9999 tells.
  struct Case {
    const char* what;
    const char* faultyPnr;
    const char* fault;    // set on the faulty row
    const char* pgFault;  // the same on PostgreSQL, when it differs
    int32_t status;
  } cases[] = {
      {"an instant that is no instant, first row", "00000001", "PrvAvn='2026-19-39 00:00:00'", "PrvAvn='infinity'",
       ora::kDateFormat},
      {"an instant that is no instant, later row", "00000003", "PrvAbi='2026-02-30 10:00:00'",
       "PrvAbi='10000-01-01 10:00:00'", ora::kDateFormat},
      {"a day that is no day, later row", "00000003", "PrvGvo='2026-00-01 00:00:00'",
       "PrvGvo='2026-01-01 00:00:00 BC'", ora::kDateFormat},
      {"a number too large for its host variable, first row", "00000001", "PrvSta=40000", nullptr,
       ora::kNumberOverflow},
      {"a number too large for its host variable, later row", "00000003", "PrvSta=-40000", nullptr,
       ora::kNumberOverflow},
  };
  struct Walk {
    const char* cursor;
    int32_t (*open)();
    int32_t (*read)(PrvRecord&);
    int32_t (*close)();
  } walks[] = {
      {"Prv_Awn, sorted", [] { return Prv_Awn_Open("70001001"); }, Prv_Awn_Read, Prv_Awn_Close},
      {"Prv_PnrRange, in key order", [] { return Prv_PnrRange_Open("00000000", "99999999"); }, Prv_PKeyRead,
       Prv_PnrRange_Close},
  };
  const std::vector<std::string> persons = {"00000001", "00000002", "00000003", "00000004"};
  for (const Case& c : cases) {
    const char* fault = zeltest::OnPostgres() && c.pgFault ? c.pgFault : c.fault;
    for (const Walk& w : walks) {
      TestDatabase db;
      for (const std::string& pnr : persons) {
        PrvRecord r = NewRow(pnr.c_str());
        ASSERT_EQ(Prv_PKeyIns(r), 0);
      }
      db.Exec(std::string("update Mvs510Prv set ") + fault + " where PrvPnr='" + c.faultyPnr + "'");
      std::vector<std::string> expected, seen;
      for (const std::string& pnr : persons) expected.push_back(pnr == c.faultyPnr ? std::to_string(c.status) : pnr);
      expected.push_back("1403");
      ASSERT_EQ(w.open(), 0) << c.what << ", " << w.cursor;
      for (int fetch = 0; fetch < 8 && (seen.empty() || seen.back() != "1403"); ++fetch) {
        PrvRecord r{};
        const int32_t status = w.read(r);
        seen.push_back(status == 0 ? r.PrvPnr.str() : std::to_string(status));
      }
      EXPECT_EQ(w.close(), 0);
      EXPECT_EQ(seen, expected) << c.what << ", " << w.cursor;
    }
  }
}

// A failure met on the way to the first row is the first fetch's status,
// and every later fetch's: the query is never started again.
TEST(DbSemantics, TheFirstFetchReportsTheFailureOfItsQuery) {
  TestDatabase db;
  PrvRecord r = NewRow("00000001");
  ASSERT_EQ(Prv_PKeyIns(r), 0);
  db.Exec("drop table Mvs510Prv");
  EXPECT_EQ(Prv_Awn_Open("70001001"), ora::kTableMissing);
  EXPECT_EQ(Prv_Awn_Read(r), ora::kTableMissing);
  EXPECT_EQ(Prv_Awn_Read(r), ora::kTableMissing);
  EXPECT_EQ(Prv_Awn_Close(), ora::kInvalidCursor);
  EXPECT_EQ(Prv_Awn_Read(r), ora::kInvalidCursor);
}

// The single-row check: a second row fails the read, and the caller's
// record keeps what it held; the first row must not reach it.
TEST(DbSemantics, SingleRowReadOfTwoRowsFailsAndWritesNothing) {
  TestDatabase db;
  db.Exec("insert into Mvs310Bsv values ('00000001','" + StoredDay(-100) + "',NULL)");
  EXPECT_EQ(Bsv_PnrReadk("00000001"), 0);
  db.Exec("insert into Mvs310Bsv values ('00000001','" + StoredDay(-50) + "',NULL)");
  EXPECT_EQ(Bsv_PnrReadk("00000001"), ora::kTooManyRows);

  struct Period {
    FixedText<9> pnr;
    FixedText<9> from;
  };
  const zeldb::StatementDef read{"Bsv_TestReadk", zeldb::StmtKind::SelectInto,
                                 "select TO_CHAR(BsvGvo,'yyyymmdd') into :b0:b1  from Mvs310Bsv where BsvPnr=:b2",
                                 {ZEL_HV_TEXT(Period, from)}, {ZEL_HV_TEXT(Period, pnr)}, nullptr, sizeof(Period)};
  Period p{};
  p.pnr = "00000001";
  p.from = "kept";
  const Period before = p;
  EXPECT_EQ(zeldb::Stmt_SelectInto(read, &p), ora::kTooManyRows);
  EXPECT_EQ(std::memcmp(&p, &before, sizeof p), 0) << p.from.str();
}

// A day or time that does not exist fails its conversion with -1861, in
// either direction, and the write leaves the table as it was. Only SQLite
// can hold such a value in a stored row (its date columns are text under a
// check of their shape).
TEST(DbSemantics, ImpossibleDaysAndTimesFailTheirConversion) {
  struct Case {
    const char* day;      // PrvGvo, "yyyymmdd"
    const char* instant;  // PrvAvn, "yyyymmddHH24MISS"
    int32_t status;
  } writes[] = {
      {"20261207", "20261207235959", 0},
      {"20240229", "20240229000000", 0},  // a leap year's 29 February
      {"20261207", "20261207240000", ora::kDateFormat},
      {"20261207", "20261207236000", ora::kDateFormat},
      {"20261207", "20261207235960", ora::kDateFormat},
      {"20260431", "20261207120000", ora::kDateFormat},
      {"20250229", "20261207120000", ora::kDateFormat},
      {"20261207", "20260431120000", ora::kDateFormat},
      {"20261301", "20261207120000", ora::kDateFormat},
  };
  for (const Case& c : writes) {
    TestDatabase db;
    PrvRecord r = NewRow("00000001");
    r.PrvGvo = c.day;
    r.PrvAvn = c.instant;
    EXPECT_EQ(Prv_PKeyIns(r), c.status) << c.day << " " << c.instant;
    EXPECT_EQ(db.Value("select count(*) from Mvs510Prv"), c.status == 0 ? "1" : "0") << c.day << " " << c.instant;
    if (c.status != 0) continue;
    PrvRecord back{};
    back.PrvPnr = "00000001";
    ASSERT_EQ(Prv_PKeyReadk(back), 0);
    EXPECT_EQ(back.PrvGvo.str() + " " + back.PrvAvn.str(), std::string(c.day) + " " + c.instant);
  }

  if (zeltest::OnPostgres()) return;
  // What the column's shape check lets through (minutes and seconds of 60
  // it refuses itself).
  const char* stored[] = {"2026-12-07 24:00:00", "2026-12-07 29:00:00", "2026-04-31 12:00:00",
                          "2025-02-29 00:00:00", "2026-00-10 00:00:00"};
  for (const char* value : stored) {
    TestDatabase db;
    PrvRecord r = NewRow("00000001");
    ASSERT_EQ(Prv_PKeyIns(r), 0);
    db.Exec(std::string("update Mvs510Prv set PrvAvn='") + value + "'");
    PrvRecord back{};
    back.PrvPnr = "00000001";
    EXPECT_EQ(Prv_PKeyReadk(back), ora::kDateFormat) << value;
  }
}

struct WideRow {
  FixedText<9> pnr;
  FixedText<81> name;
  int32_t number;
};

TEST(DbSemantics, ErrorsMapToOracleNumbers) {
  TestDatabase db;
  const zeldb::StatementDef tooLong{"Pnr_TestIns", zeldb::StmtKind::Insert,
                                    "insert into Mvs300Pnr (PnrNum,PnrNam) values (:b0,:b1)", {},
                                    {ZEL_HV_TEXT(WideRow, pnr), ZEL_HV_TEXT(WideRow, name)}, "Pnr_TestIns_Sp",
                                    sizeof(WideRow)};
  WideRow row{};
  row.pnr = "00000001";
  row.name = std::string(51, 'x');
  EXPECT_EQ(zeldb::Stmt_Write(tooLong, &row), ora::kValueTooLarge);
  row.pnr = "";
  row.name = "ok";
  EXPECT_EQ(zeldb::Stmt_Write(tooLong, &row), ora::kNullMandatory);

  const zeldb::StatementDef missingTable{"X_Read", zeldb::StmtKind::SelectInto,
                                         "select PnrNam into :b0:b1  from Mvs999Xyz where PnrNum=:b2",
                                         {ZEL_HV_TEXT(WideRow, name)}, {ZEL_HV_TEXT(WideRow, pnr)}, nullptr,
                                         sizeof(WideRow)};
  EXPECT_EQ(zeldb::Stmt_SelectInto(missingTable, &row), ora::kTableMissing);
  const zeldb::StatementDef missingColumn{"X_Read", zeldb::StmtKind::SelectInto,
                                          "select PnrXyz into :b0:b1  from Mvs300Pnr where PnrNum=:b2",
                                          {ZEL_HV_TEXT(WideRow, name)}, {ZEL_HV_TEXT(WideRow, pnr)}, nullptr,
                                          sizeof(WideRow)};
  EXPECT_EQ(zeldb::Stmt_SelectInto(missingColumn, &row), ora::kInvalidIdentifier);
  // A text and host variables that disagree are caught before anything runs.
  const zeldb::StatementDef unbound{"X_Read", zeldb::StmtKind::SelectInto,
                                    "select PnrNam into :b0:b1  from Mvs300Pnr where PnrNum=:b2", {}, {}, nullptr,
                                    sizeof(WideRow)};
  EXPECT_EQ(zeldb::Stmt_SelectInto(unbound, &row), ora::kNotAllBound);
  // A date text that is no date fails like Oracle's TO_DATE; there is no year 0.
  PrvRecord r = NewRow("00000001");
  r.PrvGvo = "20261332";
  EXPECT_EQ(Prv_PKeyIns(r), ora::kDateFormat);
  r.PrvGvo = "00000101";
  EXPECT_EQ(Prv_PKeyIns(r), ora::kDateFormat);
  r.PrvGvo = "20260101";
  r.PrvAvn = "00001231235959";
  EXPECT_EQ(Prv_PKeyIns(r), ora::kDateFormat);
  EXPECT_EQ(db.Value("select count(*) from Mvs510Prv"), "0");
}

// The words zelrun puts beside a status come from one table: every status
// the module names has its words there, and a number it does not give has
// none.
TEST(DbSemantics, EveryNamedStatusHasAMeaning) {
  std::ifstream header(std::string(ZEL_SOURCE_DIR) + "/util/OraStatus.h");
  const std::string text((std::istreambuf_iterator<char>(header)), std::istreambuf_iterator<char>());
  const std::regex named(R"(constexpr int32_t (k\w+) = (-?[0-9]+);)");
  int count = 0;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), named); it != std::sregex_iterator(); ++it, ++count) {
    EXPECT_STRNE(Ora_StatusMeaning(std::stoi((*it)[2].str())), "") << (*it)[1].str();
  }
  EXPECT_GT(count, 20);
  EXPECT_STREQ(Ora_StatusMeaning(-4711), "");
}

TEST(DbSemantics, OutputsAreCutToWidthMinusOneCharacters) {
  TestDatabase db;
  db.Exec("insert into Mvs300Pnr values ('00000001','Jürgen','S','O')");
  db.Exec("insert into Mvs301Asw values ('7001','" + StoredDay(-5) + "',NULL,'00000001','ABCDEFGHIJKLMNOP',NULL)");
  db.Exec("insert into Mvs301Asw values ('7002','" + StoredDay(-5) + "',NULL,'00000001','ÄÖÜßäöüẞ€𝔊XYZ',NULL)");
  AswRecord a{};
  a.AswNum = "7001";
  a.AswGvo = Day(-5);
  ASSERT_EQ(Asw_PKeyReadk(a), 0);
  EXPECT_EQ(a.AswErf.str(), "ABCDEFGH");
  a.AswNum = "7002";
  ASSERT_EQ(Asw_PKeyReadk(a), 0);
  EXPECT_EQ(a.AswErf.str(), "ÄÖÜßäöüẞ");

  struct Narrow {
    FixedText<3> name;
    FixedText<9> pnr;
  } n{};
  const zeldb::StatementDef read{"Pnr_Narrow", zeldb::StmtKind::SelectInto,
                                 "select PnrNam into :b0:b1  from Mvs300Pnr where PnrNum=:b2",
                                 {ZEL_HV_TEXT(Narrow, name)}, {ZEL_HV_TEXT(Narrow, pnr)}, nullptr, sizeof(Narrow)};
  n.pnr = "00000001";
  ASSERT_EQ(zeldb::Stmt_SelectInto(read, &n), 0);
  EXPECT_EQ(n.name.str(), "Jü");
}

// Texts exactly as wide as their columns, in characters of two to four
// bytes, travel whole through every write, read and cursor of the download
// table and through the master-data reads, keys included.
TEST(DbSemantics, TextsAsWideAsTheirColumnsTravelWhole) {
  using zeltest::WideText;
  TestDatabase db;
  const std::string pnr = WideText("0", 8), badge = WideText("7", 8);
  auto fill = [&](const std::string& seed) {
    PrvRecord r{};
    r.PrvPnr = pnr;
    r.PrvGvo = Day(-10);
    r.PrvKst = WideText(seed + "K", 10);
    r.PrvFbe = WideText(seed + "F", 10);
    r.PrvZf1 = WideText(seed + "Z1", 30);
    r.PrvZf2 = WideText(seed + "Z2", 30);
    r.PrvZf3 = WideText(seed + "Z3", 30);
    r.PrvDna = WideText(seed + "D", 3);
    r.PrvDwn = WideText(seed + "W", 8);
    r.PrvAwn = badge;
    r.PrvErf = WideText(seed + "E", 8);
    r.PrvNam = WideText(seed + "Weißmüller, Jürgen ", 50);
    r.PrvStr = WideText(seed + "Schloßstraße ", 50);
    r.PrvOrt = WideText(seed + "Öhringen ", 50);
    r.PrvSta = 1;
    return r;
  };
  auto texts = [](const PrvRecord& r) {
    return r.PrvPnr.str() + "|" + r.PrvKst.str() + "|" + r.PrvFbe.str() + "|" + r.PrvZf1.str() + "|" +
           r.PrvZf2.str() + "|" + r.PrvZf3.str() + "|" + r.PrvDna.str() + "|" + r.PrvDwn.str() + "|" +
           r.PrvAwn.str() + "|" + r.PrvErf.str() + "|" + r.PrvNam.str() + "|" + r.PrvStr.str() + "|" + r.PrvOrt.str();
  };
  const std::string stored = "select PrvPnr,PrvKst,PrvFbe,PrvZf1,PrvZf2,PrvZf3,PrvDna,PrvDwn,PrvAwn,PrvErf,PrvNam,"
                             "PrvStr,PrvOrt from Mvs510Prv";
  PrvRecord r = fill("1");
  ASSERT_EQ(texts(r), std::string(pnr) + "|" + WideText("1K", 10) + "|" + WideText("1F", 10) + "|" +
                          WideText("1Z1", 30) + "|" + WideText("1Z2", 30) + "|" + WideText("1Z3", 30) + "|" +
                          WideText("1D", 3) + "|" + WideText("1W", 8) + "|" + badge + "|" + WideText("1E", 8) + "|" +
                          WideText("1Weißmüller, Jürgen ", 50) + "|" + WideText("1Schloßstraße ", 50) + "|" +
                          WideText("1Öhringen ", 50))
      << "the record holds every text whole";
  ASSERT_EQ(Prv_PKeyIns(r), 0);
  EXPECT_EQ(db.Value(stored), texts(r));
  PrvRecord back{};
  back.PrvPnr = pnr;
  ASSERT_EQ(Prv_PKeyReadk(back), 0);
  EXPECT_EQ(texts(back), texts(r));
  back = {};
  ASSERT_EQ(Prv_PnrRange_Open("0", pnr.c_str()), 0);
  ASSERT_EQ(Prv_PKeyRead(back), 0);
  EXPECT_EQ(texts(back), texts(r));
  EXPECT_EQ(Prv_PnrRange_Close(), 0);
  back = {};
  back.PrvAwn = badge;
  ASSERT_EQ(Prv_AwnReadk(back), 0);
  EXPECT_EQ(texts(back), texts(r));
  back = {};
  ASSERT_EQ(Prv_Awn_Open(badge.c_str()), 0);
  ASSERT_EQ(Prv_Awn_Read(back), 0);
  EXPECT_EQ(texts(back), texts(r));
  EXPECT_EQ(Prv_Awn_Close(), 0);
  r = fill("2");
  ASSERT_EQ(Prv_PKeyUpd(r), 0);
  EXPECT_EQ(db.Value(stored), texts(r));
  ASSERT_EQ(Prv_PKeyDel(pnr.c_str()), 0);
  EXPECT_EQ(db.Value("select count(*) from Mvs510Prv"), "0");

  // The master data of one person with one badge: the assignment's recorder
  // mark (50 characters) arrives cut to the eight of the record.
  const std::string name = WideText("Ünal-Çelik, Ayşe ", 50), street = WideText("Äußere Straße ", 50),
                    place = WideText("Groß-Umstadt ", 50), erf = WideText("Erfasser ", 50),
                    kst = WideText("K", 10);
  db.Exec("insert into Mvs300Pnr values ('" + pnr + "','" + name + "','" + street + "','" + place + "')");
  db.Exec("insert into Mvs301Asw values ('" + badge + "','" + StoredDay(-5) + "',NULL,'" + pnr + "','" + erf +
          "','" + StoredDay(-6) + "')");
  db.Exec("insert into Mvs310Bsv values ('" + pnr + "','" + StoredDay(-5) + "',NULL)");
  db.Exec("insert into Mvs329Ztg values ('" + pnr + "','" + StoredDay(0) + "','" + kst + "')");
  const std::string assignment = pnr + "|" + badge + "|" + WideText(erf, 8) + "|" + name + "|" + street + "|" + place;
  auto show = [](const AswRecord& a) {
    return a.AswPnr.str() + "|" + a.AswNum.str() + "|" + a.AswErf.str() + "|" + a.PnrNam.str() + "|" +
           a.PnrStr.str() + "|" + a.PnrOrt.str();
  };
  AswRecord a{};
  a.AswNum = badge;
  a.AswGvo = Day(-5);
  ASSERT_EQ(Asw_PKeyReadk(a), 0);
  EXPECT_EQ(show(a), assignment);
  a = {};
  ASSERT_EQ(Asw_PnrAll_Open(), 0);
  ASSERT_EQ(Asw_PnrAll_Read(a), 0);
  EXPECT_EQ(show(a), assignment);
  EXPECT_EQ(Asw_PnrAll_Close(), 0);
  a = {};
  ASSERT_EQ(Asw_Num_Open(badge.c_str()), 0);
  ASSERT_EQ(Asw_Num_Read(a), 0);
  EXPECT_EQ(Asw_Num_Close(), 0);
  EXPECT_EQ(a.AswPnr.str() + "|" + a.AswErf.str(), pnr + "|" + WideText(erf, 8));
  a = {};
  ASSERT_EQ(Asw_Pnr_Open(pnr.c_str()), 0);
  ASSERT_EQ(Asw_Pnr_Read(a), 0);
  EXPECT_EQ(Asw_Pnr_Close(), 0);
  EXPECT_EQ(a.AswNum.str() + "|" + a.AswErf.str(), badge + "|" + WideText(erf, 8));
  FixedText<51> n{}, s{}, o{};
  ASSERT_EQ(Pnr_PKeyReadk(pnr.c_str(), n, s, o), 0);
  EXPECT_EQ(n.str() + "|" + s.str() + "|" + o.str(), name + "|" + street + "|" + place);
  EXPECT_EQ(Bsv_PnrReadk(pnr.c_str()), 0);
  FixedText<11> k{};
  ASSERT_EQ(Ztg_PnrReadk(pnr.c_str(), k), 0);
  EXPECT_EQ(k.str(), kst);
  FixedText<9> person{};
  ASSERT_EQ(Asw_NumDateReadk(badge.c_str(), Day(0).c_str(), person), 0);
  EXPECT_EQ(person.str(), pnr);
}

// A key argument longer than its column matches no row: it is never cut to
// a shorter key that another row holds.
TEST(DbSemantics, KeysLongerThanTheirColumnMatchNoRow) {
  TestDatabase db;
  PrvRecord r = NewRow("12345678");
  r.PrvAwn = "12345678";
  ASSERT_EQ(Prv_PKeyIns(r), 0);
  db.Exec("insert into Mvs300Pnr values ('12345678','Name','Weg','Ort')");
  db.Exec("insert into Mvs301Asw values ('12345678','" + StoredDay(-5) + "',NULL,'12345678','ERF',NULL)");
  db.Exec("insert into Mvs310Bsv values ('12345678','" + StoredDay(-5) + "',NULL)");
  db.Exec("insert into Mvs329Ztg values ('12345678','" + StoredDay(0) + "','KST1')");
  for (const char* key : {"123456789", "12345678ß"}) {
    SCOPED_TRACE(key);
    PrvRecord p{};
    ASSERT_EQ(Prv_PnrRange_Open(key, "99999999"), 0);
    EXPECT_EQ(Prv_PKeyRead(p), ora::kNoRow);
    EXPECT_EQ(Prv_PnrRange_Close(), 0);
    ASSERT_EQ(Prv_Awn_Open(key), 0);
    EXPECT_EQ(Prv_Awn_Read(p), ora::kNoRow);
    EXPECT_EQ(Prv_Awn_Close(), 0);
    AswRecord a{};
    ASSERT_EQ(Asw_Num_Open(key), 0);
    EXPECT_EQ(Asw_Num_Read(a), ora::kNoRow);
    EXPECT_EQ(Asw_Num_Close(), 0);
    ASSERT_EQ(Asw_Pnr_Open(key), 0);
    EXPECT_EQ(Asw_Pnr_Read(a), ora::kNoRow);
    EXPECT_EQ(Asw_Pnr_Close(), 0);
    FixedText<51> n{}, s{}, o{};
    n = "keep";
    EXPECT_EQ(Pnr_PKeyReadk(key, n, s, o), ora::kNoRow);
    EXPECT_EQ(n.str(), "keep");
    EXPECT_EQ(Bsv_PnrReadk(key), ora::kNoRow);
    FixedText<11> kst{};
    kst = "keep";
    EXPECT_EQ(Ztg_PnrReadk(key, kst), ora::kNoRow);
    EXPECT_EQ(kst.str(), "keep");
    FixedText<9> person{};
    EXPECT_EQ(Asw_NumDateReadk(key, Day(0).c_str(), person), ora::kNoRow);
    EXPECT_EQ(person.str(), "");
    EXPECT_EQ(Prv_PKeyDel(key), ora::kNoRow);
  }
  EXPECT_EQ(db.Value("select count(*) from Mvs510Prv"), "1");
  EXPECT_EQ(Prv_PKeyDel("12345678"), 0);
}

TEST(DbSemantics, SixteenBitStatusTravelsWithItsSign) {
  TestDatabase db;
  PrvRecord r = NewRow("00000001");
  r.PrvSta = -1;
  ASSERT_EQ(Prv_PKeyIns(r), 0);
  PrvRecord back{};
  back.PrvPnr = "00000001";
  ASSERT_EQ(Prv_PKeyReadk(back), 0);
  EXPECT_EQ(back.PrvSta, -1);
  r.PrvSta = 0x10002;  // only the low 16 bits travel
  ASSERT_EQ(Prv_PKeyUpd(r), 0);
  EXPECT_EQ(db.Value("select PrvSta from Mvs510Prv"), "2");
  db.Exec("update Mvs510Prv set PrvSta=40000");
  back.PrvKst = "KEEP";
  EXPECT_EQ(Prv_PKeyReadk(back), ora::kNumberOverflow);
}

TEST(DbSemantics, AWriteThatMeetsALockFailsInsteadOfHanging) {
  TestDatabase db;
  zeldb::Sqlite_SetBusyTimeoutForTest(200);
  zeldb::Pg_SetLockTimeoutForTest("200ms");
  db.Connect();
  PrvRecord r = NewRow("00000001");
  ASSERT_EQ(Prv_PKeyIns(r), 0);
  // Another session holds the row (PostgreSQL) or the database's write lock (SQLite).
  if (zeltest::OnPostgres()) {
    db.Exec("BEGIN");
    db.Exec("select 1 from Mvs510Prv where PrvPnr='00000001' for update");
  } else {
    db.Exec("BEGIN IMMEDIATE");
  }
  r.PrvKst = "LOCKED";
  EXPECT_EQ(Prv_PKeyUpd(r), ora::kBusy);
  PrvRecord read{};
  read.PrvPnr = "00000001";
  EXPECT_EQ(Prv_PKeyReadk(read), 0);  // readers are not blocked by the writer
  db.Exec("ROLLBACK");
  EXPECT_EQ(Prv_PKeyUpd(r), 0);
  EXPECT_EQ(db.Value("select PrvKst from Mvs510Prv"), "LOCKED");
  zeldb::Sqlite_SetBusyTimeoutForTest(zeldb::kSqliteBusyTimeoutMs);
  zeldb::Pg_SetLockTimeoutForTest(nullptr);
}

TEST(DbSemantics, ConnectOpensExistingDatabasesOnly) {
  zeltest::TempDir dir;
  std::unique_ptr<zeldb::EngineConnection> conn;
  const std::string missing = (dir / "missing.db").string();
  EXPECT_EQ(zeldb::Engine_Connect({"u", "p", missing}, conn), ora::kServiceUnknown);
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_EQ(zeldb::Engine_Connect({"u", "p", ""}, conn), ora::kServiceUnknown);
  EXPECT_EQ(zeldb::Engine_Connect({"u", "p", dir.str()}, conn), ora::kServiceUnknown);
  zeltest::WriteFile(dir / "garbage.db", std::string(4096, 'x'));
  EXPECT_EQ(zeldb::Engine_Connect({"u", "p", (dir / "garbage.db").string()}, conn), ora::kNotADatabase);
}

// A session whose server connection ended (its backend terminated, as a
// restart of the server does) reports every later statement, write or read,
// as not connected, as Oracle's client does.
TEST(DbSemantics, EveryStatementAfterALostConnectionReportsNotConnected) {
  if (!zeltest::OnPostgres()) GTEST_SKIP() << "needs a database server";
  TestDatabase db;
  PrvRecord r = NewRow("00000001");
  ASSERT_EQ(Prv_PKeyIns(r), 0);
  db.Value("select count(pg_terminate_backend(pid, 5000)) from pg_stat_activity "
           "where datname = current_database() and pid <> pg_backend_pid()");
  PrvRecord next = NewRow("00000002");
  EXPECT_EQ(Prv_PKeyIns(next), ora::kNotConnected);
  EXPECT_EQ(Prv_PKeyReadk(r), ora::kNotConnected);
  EXPECT_EQ(Prv_PKeyUpd(r), ora::kNotConnected);
}

TEST(DbSemantics, OperationsWithoutASessionReportNotConnected) {
  zeldb::InstallSession(nullptr);
  PrvRecord r{};
  EXPECT_EQ(Prv_PKeyReadk(r), ora::kNotConnected);
  EXPECT_EQ(Prv_Delete(), ora::kNotConnected);
  EXPECT_EQ(Asw_PnrAll_Open(), ora::kNotConnected);
}

}  // namespace
