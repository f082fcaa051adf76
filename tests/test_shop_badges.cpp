// The reads by badge: the download row valid today for a badge (single-row
// read and cursor) and the person of a badge on a given day.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "DbTestSupport.h"
#include "db/Dbstd.h"
#include "util/OraStatus.h"

namespace {

using zeltest::Day;
using zeltest::TestDatabase;

PrvRecord Row(const char* pnr, const char* badge, int from, std::optional<int> to) {
  PrvRecord r{};
  r.PrvPnr = pnr;
  r.PrvAwn = badge;
  r.PrvGvo = Day(from);
  r.PrvGbi = to ? Day(*to) : "";
  r.PrvKst = std::string("K") + pnr;
  r.PrvFbe = "FB1";
  r.PrvZf1 = "zf1";
  r.PrvDna = "NEU";
  r.PrvDwn = "Marvane";
  r.PrvAwa = 1;
  r.PrvSta = -3;
  r.PrvPzm = 1;
  r.PrvAvn = "20260102030405";
  r.PrvNam = std::string("Name ") + pnr;
  r.PrvStr = "Str";
  r.PrvOrt = "Ort";
  return r;
}

TEST(ShopBadges, DownloadRowOfABadgeValidToday) {
  TestDatabase db;
  for (PrvRecord r : {Row("00000001", "B1", -10, std::nullopt), Row("00000002", "B2", -10, -1),
                      Row("00000003", "B3", 1, std::nullopt), Row("00000004", "B4", -5, 0),
                      Row("00000006", "B6", -5, std::nullopt), Row("00000005", "B6", -3, 3)})
    ASSERT_EQ(Prv_PKeyIns(r), 0);

  for (const char* pnr : {"00000001", "00000004"}) {
    PrvRecord byKey{};
    byKey.PrvPnr = pnr;
    ASSERT_EQ(Prv_PKeyReadk(byKey), 0);
    PrvRecord byBadge{};
    byBadge.PrvAwn = byKey.PrvAwn;
    ASSERT_EQ(Prv_AwnReadk(byBadge), 0) << pnr;
    EXPECT_EQ(std::memcmp(&byBadge, &byKey, sizeof byKey), 0) << pnr;
  }

  // Ended, not begun, unknown: 1403; the record keeps the badge and what the
  // read by person keeps beside its key, and loses everything else.
  for (const char* badge : {"B2", "B3", "B9"}) {
    PrvRecord r = Row("00000001", badge, -1, 5);
    EXPECT_EQ(Prv_AwnReadk(r), ora::kNoRow) << badge;
    PrvRecord kept{};
    kept.PrvAwn = badge;
    kept.PrvGvo = Day(-1);
    kept.PrvNam = "Name 00000001";
    kept.PrvStr = "Str";
    kept.PrvOrt = "Ort";
    EXPECT_EQ(std::memcmp(&r, &kept, sizeof r), 0) << badge;
  }

  // Two rows of one badge valid today: the single-row read fails, the cursor
  // yields both by person number.
  PrvRecord twice{};
  twice.PrvAwn = "B6";
  EXPECT_EQ(Prv_AwnReadk(twice), ora::kTooManyRows);
  ASSERT_EQ(Prv_Awn_Open("B6"), 0);
  std::vector<std::string> rows;
  PrvRecord r{};
  r.PrvDat = "stale";
  while (Prv_Awn_Read(r) == 0) {
    rows.push_back(r.PrvPnr.str() + "|" + r.PrvGbi.str() + "|" + r.PrvKst.str() + "|" + std::to_string(r.PrvSta) +
                   "|" + r.PrvAvn.str() + "|" + r.PrvDat.str());
  }
  EXPECT_EQ(Prv_Awn_Close(), 0);
  EXPECT_EQ(rows, (std::vector<std::string>{"00000005|" + Day(3) + "|K00000005|-3|20260102030405|",
                                            "00000006||K00000006|-3|20260102030405|"}));
  EXPECT_EQ(r.PrvPnr.str(), "00000006") << "the read after the last row leaves the record";
}

TEST(ShopBadges, PersonOfABadgeOnADay) {
  TestDatabase db;
  db.Exec("insert into Mvs301Asw (AswNum,AswGvo,AswGbi,AswPnr,AswErf,AswDat) values "
          "('7001','2026-01-01 00:00:00','2026-01-31 00:00:00','00000011','E','2025-12-30 10:00:00')");
  db.Exec("insert into Mvs301Asw (AswNum,AswGvo,AswGbi,AswPnr,AswErf,AswDat) values "
          "('7001','2026-02-01 00:00:00',NULL,'00000012','E','2026-01-30 10:00:00')");
  struct Case {
    const char* day;
    int32_t status;
    const char* pnr;
  } cases[] = {
      {"20260101", 0, "00000011"},     {"20260131", 0, "00000011"}, {"20260201", 0, "00000012"},
      {"20991231", 0, "00000012"},     {"20251231", ora::kNoRow, "before"},
  };
  for (const Case& c : cases) {
    FixedText<9> pnr{};
    pnr = "before";
    EXPECT_EQ(Asw_NumDateReadk("7001", c.day, pnr), c.status) << c.day;
    EXPECT_EQ(pnr.str(), c.pnr) << c.day;
  }
  FixedText<9> pnr{};
  EXPECT_EQ(Asw_NumDateReadk("7002", "20260115", pnr), ora::kNoRow);
}

}  // namespace
