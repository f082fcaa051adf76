// Orders (Mvs501Apk) and their operations (Mvs504App) on a real database:
// every column travels to its own column and back (each filled with a value
// of its own, so a swap shows), the instants kept as day and time, the
// bounds and modes of the cursors, and writes that fail change nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "DbTestSupport.h"
#include "ShopRecordFields.h"
#include "db/shop/DbstdShop.h"
#include "util/OraStatus.h"

namespace {

using zeltest::Differences;
using zeltest::ExpectedStored;
using zeltest::FillDistinct;
using zeltest::InfoOf;
using zeltest::RecordInfo;
using zeltest::RowAsStored;
using zeltest::TestDatabase;

std::vector<std::string> With(std::vector<std::string> row, const std::string& column, const std::string& value) {
  for (std::string& c : row)
    if (c.rfind(column + "=", 0) == 0) c = column + "=" + value;
  return row;
}

ApkRecord Order(const char* key, int seed = 0) {
  ApkRecord a;
  FillDistinct(InfoOf<ApkRecord>(), &a, seed);
  a.ApkApk = key;
  return a;
}

AppRecord Operation(const char* apk, const char* app, int32_t sts = 1, const char* zf2 = "Z") {
  AppRecord p;
  FillDistinct(InfoOf<AppRecord>(), &p);
  p.AppApk = apk;
  p.AppApp = app;
  p.AppSts = sts;
  p.AppZf2 = zf2;
  return p;
}

TEST(ShopOrders, OrderTravelsColumnForColumnThroughInsertUpdateAndRead) {
  TestDatabase db;
  const RecordInfo& info = InfoOf<ApkRecord>();
  const ApkRecord inserted = Order("A100");
  ASSERT_EQ(Apk_PKeyIns(inserted), 0);
  // The insert leaves both instants NULL whatever the record holds.
  auto expected = With(With(ExpectedStored(info, &inserted), "ApkBdi", "<null>"), "ApkEdi", "<null>");
  EXPECT_EQ(RowAsStored(db, "Mvs501Apk", info, "ApkApk='A100'"), expected);
  EXPECT_NE(db.Value("select ApkDat from Mvs501Apk"), "<null>");

  const ApkRecord updated = Order("A100", 1);
  ASSERT_EQ(Apk_PKeyUpd(updated), 0);
  EXPECT_EQ(RowAsStored(db, "Mvs501Apk", info, "ApkApk='A100'"), ExpectedStored(info, &updated));

  ApkRecord read{};
  read.ApkApk = "A100";
  ASSERT_EQ(Apk_PKeyReadk(read), 0);
  EXPECT_EQ(Differences(info, &read, &updated), "");

  // A key without a row: 1403, and nothing of the earlier row survives.
  read.ApkApk = "A999";
  EXPECT_EQ(Apk_PKeyReadk(read), ora::kNoRow);
  ApkRecord keyOnly{};
  keyOnly.ApkApk = "A999";
  EXPECT_EQ(Differences(info, &read, &keyOnly), "");

  EXPECT_EQ(Apk_PKeyDel(updated), 0);
  EXPECT_EQ(Apk_PKeyDel(updated), ora::kNoRow);
  EXPECT_EQ(Apk_PKeyUpd(updated), ora::kNoRow);
  EXPECT_EQ(db.Value("select count(*) from Mvs501Apk"), "0");
}

TEST(ShopOrders, InstantsKeptAsDayAndTimeAreWrittenAsOneInstant) {
  TestDatabase db;
  ASSERT_EQ(Apk_PKeyIns(Order("A1")), 0);
  struct Case {
    const char* day;
    const char* time;
    int32_t status;
    std::string stored;
  } cases[] = {
      {"20260315", "134502", 0, "2026-03-15 13:45:02"},
      {"20260316", "", 0, "2026-03-16 00:00:00"},  // a day alone is midnight
      {"", "", 0, "<null>"},
      // A time without its day is refused, not dropped: the row keeps what it had.
      {"", "101010", ora::kDateFormat, "<null>"},
  };
  for (const Case& c : cases) {
    ApkRecord a = Order("A1");
    a.ApkBdi = c.day;
    a.ApkBdiTim = c.time;
    EXPECT_EQ(Apk_PKeyUpd(a), c.status) << c.day << " " << c.time;
    EXPECT_EQ(db.Value("select ApkBdi from Mvs501Apk"), c.stored) << c.day << " " << c.time;
  }
}

TEST(ShopOrders, FailedWritesLeaveTheTablesAsTheyWere) {
  TestDatabase db;
  ASSERT_EQ(Apk_PKeyIns(Order("A1")), 0);
  ASSERT_EQ(App_PKeyIns(Operation("A1", "10")), 0);
  const std::string orders = db.Rows("select * from Mvs501Apk")[0];
  const std::string operations = db.Rows("select * from Mvs504App")[0];

  ApkRecord other = Order("A1", 1);
  EXPECT_EQ(Apk_PKeyIns(other), ora::kUniqueViolated);
  other.ApkBgs = "20261341";  // no such day
  EXPECT_EQ(Apk_PKeyUpd(other), ora::kDateFormat);
  AppRecord op = Operation("A1", "10");
  op.AppRed = "2026";
  EXPECT_EQ(App_PKeyUpd(op), ora::kDateFormat);
  op.AppRed = "20261232";  // a whole instant of a day that does not exist
  EXPECT_EQ(App_PKeyUpd(op), ora::kDateFormat);
  EXPECT_EQ(App_PKeyIns(Operation("A1", "10", 5)), ora::kUniqueViolated);

  EXPECT_EQ(db.Rows("select * from Mvs501Apk"), std::vector<std::string>{orders});
  EXPECT_EQ(db.Rows("select * from Mvs504App"), std::vector<std::string>{operations});
  // Nothing is left pending: another connection can write at once.
  db.Exec("delete from Mvs504App");
}

std::vector<std::string> OrderRange(int32_t mode, const char* low, const char* high) {
  std::vector<std::string> keys;
  EXPECT_EQ(Apk_Range_Open(mode, low, high), 0);
  ApkRecord a{};
  while (Apk_Range_Read(mode, a) == 0) keys.push_back(a.ApkApk.str());
  EXPECT_EQ(Apk_Range_Close(mode), 0);
  return keys;
}

TEST(ShopOrders, OrderCursorExcludesBothBoundsInEitherMode) {
  TestDatabase db;
  for (const char* k : {"A1", "A2", "A3", "A4", "A5"}) ASSERT_EQ(Apk_PKeyIns(Order(k)), 0);
  EXPECT_EQ(OrderRange(1, "A1", "A5"), (std::vector<std::string>{"A2", "A3", "A4"}));
  EXPECT_EQ(OrderRange(2, "A1", "A5"), (std::vector<std::string>{"A4", "A3", "A2"}));
  EXPECT_EQ(OrderRange(1, "A0", "A9").size(), 5u);

  // Each read delivers the whole row; the read after the last leaves it.
  ASSERT_EQ(Apk_Range_Open(1, "A3", "A5"), 0);
  ApkRecord a{};
  ASSERT_EQ(Apk_Range_Read(1, a), 0);
  ApkRecord expected = Order("A4");
  expected.ApkBdi.clear();
  expected.ApkBdiTim.clear();
  expected.ApkEdi.clear();
  expected.ApkEdiTim.clear();
  EXPECT_EQ(Differences(InfoOf<ApkRecord>(), &a, &expected), "");
  EXPECT_EQ(Apk_Range_Read(1, a), ora::kNoRow);
  EXPECT_EQ(Differences(InfoOf<ApkRecord>(), &a, &expected), "");
  EXPECT_EQ(Apk_Range_Close(1), 0);

  // The two modes are two cursors: one can be open beside the other.
  ASSERT_EQ(Apk_Range_Open(1, "A1", "A5"), 0);
  ASSERT_EQ(Apk_Range_Open(2, "A1", "A5"), 0);
  ASSERT_EQ(Apk_Range_Read(1, a), 0);
  EXPECT_EQ(a.ApkApk.str(), "A2");
  ASSERT_EQ(Apk_Range_Read(2, a), 0);
  EXPECT_EQ(a.ApkApk.str(), "A4");
  EXPECT_EQ(Apk_Range_Close(1), 0);
  EXPECT_EQ(Apk_Range_Close(2), 0);

  // Any other mode executes nothing, and its read ends a fetch loop at once.
  EXPECT_EQ(Apk_Range_Open(3, "A1", "A5"), 0);
  ApkRecord untouched = Order("X");
  ApkRecord r = untouched;
  EXPECT_EQ(Apk_Range_Read(3, r), ora::kNoRow);
  EXPECT_EQ(Differences(InfoOf<ApkRecord>(), &r, &untouched), "");
  EXPECT_EQ(Apk_Range_Close(0), 0);
}

// Keys compare byte by byte, as on SQLite, also on a database whose default
// collation is a dictionary's (the PostgreSQL test server's is German):
// upper case comes before lower case, and both before an umlaut.
TEST(ShopOrders, RangesAndOrderCompareBytesWhateverTheDatabasesLocale) {
  TestDatabase db;
  if (zeltest::OnPostgres()) {
    ASSERT_EQ(db.Value("select 'b1' > 'A' and 'b1' < 'Z'"), "t") << "the server's default collation must be linguistic";
  }
  for (const char* k : {"A", "B2", "Z", "a1", "b1", "\xC3\x84" "1", "Y"}) ASSERT_EQ(Apk_PKeyIns(Order(k)), 0);
  EXPECT_EQ(OrderRange(1, "A", "Z"), (std::vector<std::string>{"B2", "Y"}));
  EXPECT_EQ(OrderRange(2, "A", "Z"), (std::vector<std::string>{"Y", "B2"}));
  EXPECT_EQ(OrderRange(1, "0", "~"), (std::vector<std::string>{"A", "B2", "Y", "Z", "a1", "b1"}));
  EXPECT_EQ(OrderRange(2, "Z", "\xC3\xBF"), (std::vector<std::string>{"\xC3\x84" "1", "b1", "a1"}));
}

TEST(ShopOrders, OperationTravelsColumnForColumnWithItsEightInstants) {
  TestDatabase db;
  const RecordInfo& info = InfoOf<AppRecord>();
  AppRecord inserted;
  FillDistinct(info, &inserted);
  ASSERT_EQ(App_PKeyIns(inserted), 0);
  // AppDat is the server's clock, whatever the record holds.
  const std::string stamp = db.Value("select AppDat from Mvs504App");
  EXPECT_NE(stamp, "<null>");
  EXPECT_EQ(RowAsStored(db, "Mvs504App", info, "AppApk='AppApk'"),
            With(ExpectedStored(info, &inserted), "AppDat", stamp));

  AppRecord updated;
  FillDistinct(info, &updated, 1);
  updated.AppApk = inserted.AppApk;
  updated.AppApp = inserted.AppApp;
  ASSERT_EQ(App_PKeyUpd(updated), 0);
  const std::string restamp = db.Value("select AppDat from Mvs504App");
  EXPECT_EQ(RowAsStored(db, "Mvs504App", info, "AppApk='AppApk'"),
            With(ExpectedStored(info, &updated), "AppDat", restamp));

  AppRecord read{};
  read.AppApk = inserted.AppApk;
  read.AppApp = inserted.AppApp;
  ASSERT_EQ(App_PKeyReadk(read), 0);
  EXPECT_EQ(Differences(info, &read, &updated), "AppDat ");
  EXPECT_EQ(zeltest::Stored(read.AppDat.str()), restamp);

  EXPECT_EQ(App_PKeyDel(updated), 0);
  EXPECT_EQ(App_PKeyReadk(read), ora::kNoRow);
  AppRecord keyOnly{};
  keyOnly.AppApk = inserted.AppApk;
  keyOnly.AppApp = inserted.AppApp;
  EXPECT_EQ(Differences(info, &read, &keyOnly), "");
}

// The keys of every read until the first non-zero status, then that
// status's record key ("" when the record was cleared but for an empty key).
std::vector<std::string> Pairs(int32_t (*read)(AppRecord&), AppRecord& last) {
  std::vector<std::string> keys;
  while (read(last) == 0) keys.push_back(last.AppApk.str() + "/" + last.AppApp.str());
  return keys;
}

TEST(ShopOrders, OperationCursorsTakeOrExcludeTheirBoundPairs) {
  TestDatabase db;
  for (const auto& [apk, app, sts] : std::vector<std::tuple<const char*, const char*, int32_t>>{
           {"A", "1", 1}, {"A", "2", 9}, {"B", "1", 1}, {"B", "2", 1}, {"C", "1", 1}, {"C", "2", 1}})
    ASSERT_EQ(App_PKeyIns(Operation(apk, app, sts)), 0);

  static int32_t mode = 1;
  auto rangeRead = [](AppRecord& r) { return App_Range_Read(mode, r); };
  AppRecord last{};

  // Mode 1: strictly between the pairs (A,1) and (C,1).
  mode = 1;
  ASSERT_EQ(App_Range_Open(1, "A", "1", "C", "1"), 0);
  EXPECT_EQ(Pairs(rangeRead, last), (std::vector<std::string>{"A/2", "B/1", "B/2"}));
  // The read that ends the cursor clears the record but for its key.
  AppRecord keyOnly{};
  keyOnly.AppApk = "B";
  keyOnly.AppApp = "2";
  EXPECT_EQ(Differences(InfoOf<AppRecord>(), &last, &keyOnly), "");
  EXPECT_EQ(App_Range_Close(1), 0);

  // Mode 2: orders strictly between A and C, operations descending.
  mode = 2;
  ASSERT_EQ(App_Range_Open(2, "A", "9", "C", "0"), 0);
  EXPECT_EQ(Pairs(rangeRead, last), (std::vector<std::string>{"B/2", "B/1"}));
  EXPECT_EQ(App_Range_Close(2), 0);

  // From (A,1) to (C,1), both included, without the rows whose AppSts is 9.
  ASSERT_EQ(App_StsRange_Open("A", "1", "C", "1", 9), 0);
  EXPECT_EQ(Pairs(App_StsRange_Read, last), (std::vector<std::string>{"A/1", "B/1", "B/2", "C/1"}));
  EXPECT_EQ(App_StsRange_Close(), 0);
  ASSERT_EQ(App_StsRange_Open("A", "1", "C", "1", 1), 0);
  EXPECT_EQ(Pairs(App_StsRange_Read, last), (std::vector<std::string>{"A/2"}));
  EXPECT_EQ(App_StsRange_Close(), 0);
  // The status is compared at the column's width: 65537 is not 1.
  ASSERT_EQ(App_StsRange_Open("A", "1", "C", "1", 65537), 0);
  EXPECT_EQ(Pairs(App_StsRange_Read, last), (std::vector<std::string>{"A/1", "A/2", "B/1", "B/2", "C/1"}));
  EXPECT_EQ(App_StsRange_Close(), 0);

  // Another mode executes nothing.
  EXPECT_EQ(App_Range_Open(7, "A", "1", "C", "1"), 0);
  AppRecord untouched = Operation("X", "Y");
  AppRecord r = untouched;
  EXPECT_EQ(App_Range_Read(7, r), ora::kNoRow);
  EXPECT_EQ(Differences(InfoOf<AppRecord>(), &r, &untouched), "");
  EXPECT_EQ(App_Range_Close(7), 0);
}

TEST(ShopOrders, OperationsOfOneZf2AreCountedAndWalked) {
  TestDatabase db;
  ASSERT_EQ(App_PKeyIns(Operation("A", "1", 1, "LOS7")), 0);
  ASSERT_EQ(App_PKeyIns(Operation("A", "2", 1, "LOS8")), 0);
  ASSERT_EQ(App_PKeyIns(Operation("B", "1", 1, "LOS7")), 0);
  int32_t count = -1;
  ASSERT_EQ(App_Zf2Count("LOS7", count), 0);
  EXPECT_EQ(count, 2);
  ASSERT_EQ(App_Zf2Count("NONE", count), 0);
  EXPECT_EQ(count, 0);

  ASSERT_EQ(App_Zf2_Open("LOS7"), 0);
  std::vector<std::string> keys;
  AppRecord p{};
  while (App_Zf2_Read(p) == 0) keys.push_back(p.AppApk.str() + "/" + p.AppApp.str() + "/" + p.AppZf2.str());
  EXPECT_EQ(App_Zf2_Close(), 0);
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(keys, (std::vector<std::string>{"A/1/LOS7", "B/1/LOS7"}));
  // The read after the last row leaves the record as the last row filled it.
  EXPECT_EQ(p.AppZf2.str(), "LOS7");
}

}  // namespace
