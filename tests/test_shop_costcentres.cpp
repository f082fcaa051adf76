// The work groups' cost centres (Mvs537Ksg) and Mvs553Fzu on a real
// database: the keyed read and writes by first day as text, which rows count
// as today's for the current-cost-centre read and for the range cursor (they
// differ on a last day of today), and the two whole-row reads of Mvs553Fzu.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "DbTestSupport.h"
#include "ShopRecordFields.h"
#include "db/shop/DbstdShop.h"
#include "util/OraStatus.h"

namespace {

using zeltest::Day;
using zeltest::Differences;
using zeltest::FillDistinct;
using zeltest::InfoOf;
using zeltest::RecordInfo;
using zeltest::TestDatabase;

KsgRecord CostCentre(const char* apg, int from, std::optional<int> to, const char* kst) {
  KsgRecord k;
  FillDistinct(InfoOf<KsgRecord>(), &k);
  k.KsgApg = apg;
  k.KsgGvo = Day(from);
  k.KsgGbi = to ? Day(*to) : "";
  k.KsgKst = kst;
  return k;
}

TEST(ShopCostCentres, RowTravelsByWorkGroupAndFirstDay) {
  TestDatabase db;
  const RecordInfo& info = InfoOf<KsgRecord>();
  const KsgRecord stored = CostCentre("G1", -30, 30, "KST1");
  zeltest::InsertStored(db, "Mvs537Ksg", info, &stored);
  const KsgRecord earlier = CostCentre("G1", -60, -31, "KST0");
  zeltest::InsertStored(db, "Mvs537Ksg", info, &earlier);

  KsgRecord read{};
  read.KsgApg = "G1";
  read.KsgGvo = Day(-30);
  ASSERT_EQ(Ksg_PKeyReadk(read), 0);
  EXPECT_EQ(Differences(info, &read, &stored), "");

  // The update sets every column but the key pair.
  KsgRecord changed;
  FillDistinct(info, &changed, 1);
  changed.KsgApg = "G1";
  changed.KsgGvo = Day(-30);
  ASSERT_EQ(Ksg_PKeyUpd(changed), 0);
  const std::string where = "KsgApg='G1' and KsgGvo='" + zeltest::StoredDay(-30) + "'";
  EXPECT_EQ(zeltest::RowAsStored(db, "Mvs537Ksg", info, where), zeltest::ExpectedStored(info, &changed));
  EXPECT_NE(db.Value("select KsgDat from Mvs537Ksg where " + where), "<null>");
  EXPECT_EQ(db.Value("select KsgKst from Mvs537Ksg where KsgGvo='" + zeltest::StoredDay(-60) + "'"), "KST0");

  // No row on another first day: 1403, the key pair kept, all else cleared.
  read.KsgGvo = Day(-29);
  EXPECT_EQ(Ksg_PKeyReadk(read), ora::kNoRow);
  KsgRecord keyOnly{};
  keyOnly.KsgApg = "G1";
  keyOnly.KsgGvo = Day(-29);
  EXPECT_EQ(Differences(info, &read, &keyOnly), "");
  EXPECT_EQ(Ksg_PKeyUpd(keyOnly), ora::kNoRow);
  EXPECT_EQ(Ksg_PKeyDel(keyOnly), ora::kNoRow);

  ASSERT_EQ(Ksg_PKeyDel(changed), 0);
  EXPECT_EQ(db.Value("select count(*) from Mvs537Ksg"), "1");

  // A failed update leaves the row as it was.
  const auto before = db.Rows("select * from Mvs537Ksg");
  KsgRecord bad = CostCentre("G1", -60, std::nullopt, "KST9");
  bad.KsgGbi = "2026023";
  EXPECT_EQ(Ksg_PKeyUpd(bad), ora::kDateFormat);
  EXPECT_EQ(db.Rows("select * from Mvs537Ksg"), before);
}

std::vector<std::string> RangeOf(const char* low, const char* high) {
  std::vector<std::string> rows;
  EXPECT_EQ(Ksg_Range_Open(low, high), 0);
  KsgRecord k{};
  while (Ksg_Range_Read(k) == 0) rows.push_back(k.KsgApg.str() + "/" + k.KsgKst.str());
  EXPECT_EQ(Ksg_Range_Close(), 0);
  return rows;
}

TEST(ShopCostCentres, ALastDayOfTodayCountsForTheRangeButNotForTheCurrentCostCentre) {
  TestDatabase db;
  const RecordInfo& info = InfoOf<KsgRecord>();
  for (const KsgRecord& k : {CostCentre("G1", -10, 0, "ENDS-TODAY"), CostCentre("G1", 1, std::nullopt, "TOMORROW"),
                             CostCentre("G2", -20, std::nullopt, "OPEN"), CostCentre("G3", -5, 1, "ENDS-TMRW"),
                             CostCentre("G4", -9, -1, "ENDED")})
    zeltest::InsertStored(db, "Mvs537Ksg", info, &k);

  struct Case {
    const char* apg;
    int32_t status;
    std::string kst;  // KsgKst after the read; "untouched" where nothing is written
  } cases[] = {
      {"G1", ora::kNoRow, "untouched"},  // ends today: no longer the current one
      {"G2", 0, "OPEN"},
      {"G3", 0, "ENDS-TMRW"},
      {"G4", ora::kNoRow, "untouched"},
  };
  for (const Case& c : cases) {
    KsgRecord k{};
    k.KsgApg = c.apg;
    k.KsgKst = "untouched";
    k.KsgZf1 = "zf1";
    EXPECT_EQ(Ksg_ApgReadk(k), c.status) << c.apg;
    EXPECT_EQ(k.KsgKst.str(), c.kst) << c.apg;
    EXPECT_EQ(k.KsgApg.str(), c.apg);
    EXPECT_EQ(k.KsgZf1.str(), "zf1") << "only KsgApg and KsgKst are written";
  }

  // The range includes both bounds and the row that ends today, by first day.
  EXPECT_EQ(RangeOf("G1", "G3"), (std::vector<std::string>{"G2/OPEN", "G1/ENDS-TODAY", "G3/ENDS-TMRW"}));
  EXPECT_EQ(RangeOf("G2", "G2"), (std::vector<std::string>{"G2/OPEN"}));
  EXPECT_TRUE(RangeOf("G4", "G9").empty());
}

TEST(ShopCostCentres, FzuRowsReadByCodeAmongTheCurrentOnesOrByMld) {
  TestDatabase db;
  const RecordInfo& info = InfoOf<FzuRecord>();
  FzuRecord current;
  FillDistinct(info, &current);
  current.FzuFcd = "F1";
  current.FzuMld = "M1";
  FzuRecord old;
  FillDistinct(info, &old, 1);
  old.FzuFcd = "F1";
  old.FzuMld = "M0";
  zeltest::InsertStored(db, "Mvs553Fzu", info, &current, {{"FzuAec", "'0'"}});
  zeltest::InsertStored(db, "Mvs553Fzu", info, &old, {{"FzuAec", "'1'"}});

  FzuRecord r{};
  r.FzuFcd = "F1";
  ASSERT_EQ(Fzu_PKeyReadk(r), 0);
  EXPECT_EQ(Differences(info, &r, &current), "");

  FzuRecord m{};
  m.FzuMld = "M0";
  ASSERT_EQ(Fzu_MldReadk(m), 0);
  EXPECT_EQ(Differences(info, &m, &old), "");

  // Not found: each read keeps the value it selected by and clears the rest.
  m.FzuMld = "M9";
  EXPECT_EQ(Fzu_MldReadk(m), ora::kNoRow);
  FzuRecord mldOnly{};
  mldOnly.FzuMld = "M9";
  EXPECT_EQ(Differences(info, &m, &mldOnly), "");
  r.FzuFcd = "F9";
  EXPECT_EQ(Fzu_PKeyReadk(r), ora::kNoRow);
  FzuRecord fcdOnly{};
  fcdOnly.FzuFcd = "F9";
  EXPECT_EQ(Differences(info, &r, &fcdOnly), "");
}

}  // namespace
