// Shift models, their parts and break periods, the value table and the
// periods of Mvs591Nzp on a real database: which rows each selection takes
// on a given day, the minutes of breaks over midnight, and every column in
// its own field.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "DbTestSupport.h"
#include "ShopRecordFields.h"
#include "db/shop/DbstdShop.h"
#include "util/OraStatus.h"

namespace {

using zeltest::Differences;
using zeltest::FillDistinct;
using zeltest::InfoOf;
using zeltest::RecordInfo;
using zeltest::TestDatabase;

const char* const kDay = "20260310";

void AddPart(TestDatabase& db, const std::string& emo, const std::string& ttp, int beg, int end,
             const std::string& pmo) {
  db.Exec("insert into Mvs533Emo (EmoEmo,EmoTtp,EmoTxt,EmoBeg,EmoEnd,EmoArt,EmoPmo) values ('" + emo + "','" + ttp +
          "','Teil " + std::to_string(beg) + "'," + std::to_string(beg) + "," + std::to_string(end) + ",3,'" + pmo +
          "')");
}

// A break period `pms` of model `pmo`, valid from `from` to `to` (NULL: open).
void AddBreak(TestDatabase& db, const std::string& pmo, const std::string& pms, int beg, int end,
              const std::string& from = "2026-03-01 00:00:00", const std::string& to = "'2026-03-31 00:00:00'") {
  db.Exec("insert into Mvs536Pmz (PmzPmo,PmzPms,PmzGvo,PmzGbi) values ('" + pmo + "','" + pms + "','" + from + "'," +
          to + ")");
  db.Exec("insert into Mvs535Pms (PmsNum,PmsBeg,PmsEnd,PmsInt,PmsPse,PmsBzt,PmsPrz) values ('" + pms + "'," +
          std::to_string(beg) + "," + std::to_string(end) + ",11,12,13,14)");
}

TEST(ShopShifts, BreakMinutesCountOverMidnightAndOnlyOnTheirDays) {
  TestDatabase db;
  AddPart(db, "E2", "WT", 360, 840, "PM1");
  AddBreak(db, "PM1", "P1", 720, 750);
  AddBreak(db, "PM1", "P2", 1410, 30);
  AddBreak(db, "PM1", "P3", 600, 600);
  AddPart(db, "E3", "WT", 360, 840, "PM2");
  AddBreak(db, "PM2", "P4", 100, 200, "2026-03-11 00:00:00");  // begins after the day
  AddBreak(db, "PM2", "P5", 100, 200, "2026-03-01 00:00:00", "NULL");  // no last day: never counted
  AddPart(db, "E4", "WT", 0, 60, "PM3");
  AddBreak(db, "PM3", "P6", 1200, 100);

  struct Case {
    const char* emo;
    const char* day;
    int32_t total;
  } cases[] = {
      {"E2", kDay, 30 + 60},      // 720-750 and 1410-30 over midnight; 600-600 counts 0
      {"E2", "20260401", 0},      // after every validity: status 0, total 0
      {"E3", kDay, 0},            // a period beginning tomorrow, one without a last day
      {"E4", kDay, 340},          // only a period over midnight
      {"E9", kDay, 0},            // no such part
  };
  for (const Case& c : cases) {
    int32_t total = -1;
    EXPECT_EQ(Pms_Sum(c.emo, "WT", c.day, total), 0) << c.emo << " " << c.day;
    EXPECT_EQ(total, c.total) << c.emo << " " << c.day;
  }

  // The cursor over the same selection yields each period with its part.
  ASSERT_EQ(Emo_Pms_Open("E2", "WT", kDay), 0);
  std::vector<std::string> periods;
  EmoPmsRecord r{};
  while (Emo_Pms_Read(r) == 0) {
    periods.push_back(r.EmoEmo.str() + "|" + r.EmoTtp.str() + "|" + r.EmoTxt.str() + "|" + std::to_string(r.EmoBeg) +
                      "|" + std::to_string(r.EmoEnd) + "|" + r.PmsNum.str() + "|" + std::to_string(r.PmsBeg) + "|" +
                      std::to_string(r.PmsEnd) + "|" + std::to_string(r.PmsInt) + "|" + std::to_string(r.PmsPse) +
                      "|" + std::to_string(r.PmsBzt) + "|" + std::to_string(r.PmsPrz));
  }
  EXPECT_EQ(Emo_Pms_Close(), 0);
  std::sort(periods.begin(), periods.end());
  EXPECT_EQ(periods, (std::vector<std::string>{"E2|WT|Teil 360|360|840|P1|720|750|11|12|13|14",
                                               "E2|WT|Teil 360|360|840|P2|1410|30|11|12|13|14",
                                               "E2|WT|Teil 360|360|840|P3|600|600|11|12|13|14"}));
}

TEST(ShopShifts, ModelRowsOfADayCarryTheCalendarOfThatDay) {
  TestDatabase db;
  const RecordInfo& info = InfoOf<AemDayRecord>();
  AemDayRecord model;
  FillDistinct(info, &model, 1);  // texts as wide as their columns
  model.AemApg = "G1";
  model.AemEmo = "E1";
  model.AemGvo = "20260301";
  model.AemKal = "K7";
  zeltest::InsertStored(db, "Mvs532Aem", info, &model, {{"AemKng", "1"}, {"AemGbi", "'2026-03-10 00:00:00'"}});
  // Rows that do not qualify: another AemKng, ended before the day, begun after it.
  AemDayRecord other = model;
  other.AemGvo = "20260302";
  zeltest::InsertStored(db, "Mvs532Aem", info, &other, {{"AemKng", "2"}});
  other.AemGvo = "20260201";
  zeltest::InsertStored(db, "Mvs532Aem", info, &other, {{"AemKng", "1"}, {"AemGbi", "'2026-03-09 00:00:00'"}});
  other.AemGvo = "20260311";
  zeltest::InsertStored(db, "Mvs532Aem", info, &other, {{"AemKng", "1"}});
  db.Exec("insert into Mvs133Kal (KalNum,KalDtm,KalBtp) values ('K7','2026-03-10 00:00:00','WT')");
  db.Exec("insert into Mvs133Kal (KalNum,KalDtm,KalBtp) values ('K7','2026-03-11 00:00:00','SA')");
  db.Exec("insert into Mvs133Kal (KalNum,KalDtm,KalBtp) values ('K8','2026-03-10 00:00:00','SO')");
  db.Exec("insert into Mvs133Bak (BakDtm,BakJhr,BakMon,BakTag,BakWch,BakWtg,BakJtg) values "
          "('2026-03-10 00:00:00',2026,3,10,11,2,69)");
  AddPart(db, "E1", "WT", 720, 900, "PM1");
  AddPart(db, "E1", "WT", 360, 700, "PM1");
  AddPart(db, "E1", "SA", 400, 500, "PM1");  // another day type

  ASSERT_EQ(Aem_Day_Open("G1", 1, kDay), 0);
  std::vector<AemDayRecord> rows;
  AemDayRecord r{};
  while (Aem_Day_Read(r) == 0) rows.push_back(r);
  EXPECT_EQ(Aem_Day_Close(), 0);
  AemDayRecord expected = model;
  expected.KalDtm = kDay;
  expected.KalBtp = "WT";
  expected.BakJhr = 2026;
  expected.BakMon = 3;
  expected.BakWch = 11;
  expected.BakWtg = 2;
  expected.BakJtg = 69;
  ASSERT_EQ(rows.size(), 2u) << "one row per part of the day's type";
  for (const AemDayRecord& row : rows) EXPECT_EQ(Differences(info, &row, &expected), "");

  // A day without a calendar row yields nothing.
  ASSERT_EQ(Aem_Day_Open("G1", 1, "20260309"), 0);
  EXPECT_EQ(Aem_Day_Read(r), ora::kNoRow);
  EXPECT_EQ(Aem_Day_Close(), 0);

  // A day that is no day fails the first read (not "cursor not open"), and
  // every read after it.
  ASSERT_EQ(Aem_Day_Open("G1", 1, "20260231"), 0);
  EXPECT_EQ(Aem_Day_Read(r), ora::kDateFormat);
  EXPECT_EQ(Aem_Day_Read(r), ora::kDateFormat);
  EXPECT_EQ(Aem_Day_Close(), 0);

  int32_t count = -1;
  ASSERT_EQ(Aem_Count("G1", count), 0);
  EXPECT_EQ(count, 1) << "only AemKng 2 counts";

  // The parts of a model for one day type, by begin.
  ASSERT_EQ(Emo_Ttp_Open("E1", "WT"), 0);
  std::vector<std::string> parts;
  EmoRecord e{};
  while (Emo_Ttp_Read(e) == 0)
    parts.push_back(e.EmoEmo.str() + "|" + e.EmoTtp.str() + "|" + e.EmoTxt.str() + "|" + std::to_string(e.EmoBeg) +
                    "|" + std::to_string(e.EmoEnd) + "|" + std::to_string(e.EmoArt));
  EXPECT_EQ(Emo_Ttp_Close(), 0);
  EXPECT_EQ(parts, (std::vector<std::string>{"E1|WT|Teil 360|360|700|3", "E1|WT|Teil 720|720|900|3"}));
}

TEST(ShopShifts, ValueReadWritesOnlyItsValueAndOnlyWhenFound) {
  TestDatabase db;
  db.Exec("insert into Mvs555Vrg (VrgBer,VrgFld,VrgWrt) values ('BEREICH123','FLD','Wert mit dreissig Zeichen 1234')");
  db.Exec("insert into Mvs555Vrg (VrgBer,VrgFld,VrgWrt) values ('BEREICH123','FL2','anderer Wert')");
  VrgRecord v{};
  v.VrgBer = "BEREICH123";
  v.VrgFld = "FLD";
  ASSERT_EQ(Vrg_Readk(v), 0);
  EXPECT_EQ(v.VrgWrt.str(), "Wert mit dreissig Zeichen 1234");
  v.VrgFld = "XXX";
  EXPECT_EQ(Vrg_Readk(v), ora::kNoRow);
  EXPECT_EQ(v.VrgWrt.str(), "Wert mit dreissig Zeichen 1234");
  // Thirty characters of many more bytes arrive whole.
  const std::string wide = zeltest::WideText("Größe ", 30);
  db.Exec("insert into Mvs555Vrg (VrgBer,VrgFld,VrgWrt) values ('BEREICH123','FL3','" + wide + "')");
  v.VrgFld = "FL3";
  ASSERT_EQ(Vrg_Readk(v), 0);
  EXPECT_EQ(v.VrgWrt.str(), wide);
}

TEST(ShopShifts, CurrentPeriodExcludesItsFirstAndLastDayAndItsUpdateSetsFourValues) {
  TestDatabase db;
  const RecordInfo& info = InfoOf<NzpRecord>();
  struct Row {
    int32_t akz;
    int from, to;
  } rows[] = {{1, -10, 10}, {2, 0, 10}, {3, -10, 0}, {4, 1, 10}};
  for (const Row& row : rows) {
    NzpRecord n;
    FillDistinct(info, &n, row.akz);
    n.NzpAkz = row.akz;
    n.NzpGvn = zeltest::Day(row.from);
    n.NzpGbi = zeltest::Day(row.to);
    zeltest::InsertStored(db, "Mvs591Nzp", info, &n);
  }
  db.Exec("insert into Mvs591Nzp (NzpAkz,NzpGvn,NzpGbi) values (5,'" + zeltest::StoredDay(-10) + "','" +
          zeltest::StoredDay(-10) + "')");
  for (const Row& row : rows) {
    NzpRecord n{};
    n.NzpAkz = row.akz;
    n.NzpAus = "untouched";
    const int32_t status = Nzp_AktReadk(n);
    if (row.akz == 1) {
      ASSERT_EQ(status, 0);
      NzpRecord expected;
      FillDistinct(info, &expected, 1);
      expected.NzpAkz = 1;
      expected.NzpGvn = zeltest::Day(-10);
      expected.NzpGbi = zeltest::Day(10);
      EXPECT_EQ(Differences(info, &n, &expected), "");
    } else {
      EXPECT_EQ(status, ora::kNoRow) << row.akz;
      EXPECT_EQ(n.NzpAus.str(), "untouched") << row.akz;
    }
  }

  NzpRecord n{};
  n.NzpAkz = 1;
  ASSERT_EQ(Nzp_AktReadk(n), 0);
  NzpRecord changed = n;
  changed.NzpAan = 7;
  changed.NzpVfh = 8;
  changed.NzpNfh = 9;
  changed.NzpAus = "neu";
  changed.NzpMrk = 4242;  // not among the columns the update sets
  ASSERT_EQ(Nzp_PKeyUpd(changed), 0);
  EXPECT_EQ(db.Value("select NzpAan,NzpVfh,NzpNfh,NzpAus,NzpMrk from Mvs591Nzp where NzpAkz=1"),
            "7|8|9|neu|" + std::to_string(n.NzpMrk));
  EXPECT_NE(db.Value("select NzpAdt from Mvs591Nzp where NzpAkz=1"), "<null>");
  EXPECT_EQ(db.Value("select NzpAdt from Mvs591Nzp where NzpAkz=2"), "<null>");
  changed.NzpGbi = zeltest::Day(11);
  EXPECT_EQ(Nzp_PKeyUpd(changed), ora::kNoRow);
}

}  // namespace
