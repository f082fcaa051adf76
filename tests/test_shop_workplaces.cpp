// Work groups (Mvs530Apg), workstations (Mvs531Apl) and Mvs521Ubg on a real
// database: the keyed read, update and delete and the range cursor of each
// table, run as one scenario over the three, with every column holding a
// value of its own so that a swap shows.
#include <gtest/gtest.h>

#include <functional>
#include <string>
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
using zeltest::TestDatabase;

// One keyed table and its operations, the record type erased.
struct KeyedTable {
  const char* table;
  const char* keyColumn;
  const RecordInfo* info;
  std::function<void(void*, const char*)> setKey;
  std::function<int32_t(void*)> readk;
  std::function<int32_t(const void*)> upd;
  std::function<int32_t(const void*)> del;
  std::function<int32_t(const char*, const char*)> open;
  std::function<int32_t(void*)> read;
  std::function<int32_t()> close;
};

template <class R, FixedText<21> R::*Key>
KeyedTable Table(const char* table, const char* keyColumn, int32_t (*readk)(R&), int32_t (*upd)(const R&),
                 int32_t (*del)(const R&), int32_t (*open)(const char*, const char*), int32_t (*read)(R&),
                 int32_t (*close)()) {
  return {table,
          keyColumn,
          &InfoOf<R>(),
          [](void* r, const char* k) { (static_cast<R*>(r)->*Key) = k; },
          [readk](void* r) { return readk(*static_cast<R*>(r)); },
          [upd](const void* r) { return upd(*static_cast<const R*>(r)); },
          [del](const void* r) { return del(*static_cast<const R*>(r)); },
          open,
          [read](void* r) { return read(*static_cast<R*>(r)); },
          close};
}

std::vector<KeyedTable> Tables() {
  return {
      Table<ApgRecord, &ApgRecord::ApgApg>("Mvs530Apg", "ApgApg", Apg_PKeyReadk, Apg_PKeyUpd, Apg_PKeyDel,
                                           Apg_Range_Open, Apg_Range_Read, Apg_Range_Close),
      Table<AplRecord, &AplRecord::AplApl>("Mvs531Apl", "AplApl", Apl_PKeyReadk, Apl_PKeyUpd, Apl_PKeyDel,
                                           Apl_Range_Open, Apl_Range_Read, Apl_Range_Close),
      Table<UbgRecord, &UbgRecord::UbgUbg>("Mvs521Ubg", "UbgUbg", Ubg_PKeyReadk, Ubg_PKeyUpd, Ubg_PKeyDel,
                                           Ubg_Range_Open, Ubg_Range_Read, Ubg_Range_Close),
  };
}

std::vector<char> Row(const KeyedTable& t, const char* key, int seed) {
  std::vector<char> r(t.info->size);
  FillDistinct(*t.info, r.data(), seed);
  t.setKey(r.data(), key);
  return r;
}

TEST(ShopWorkplaces, KeyedReadUpdateDeleteAndRangeOfEachTable) {
  for (const KeyedTable& t : Tables()) {
    SCOPED_TRACE(t.table);
    TestDatabase db;
    for (const char* k : {"K1", "K2", "K3"}) zeltest::InsertStored(db, t.table, *t.info, Row(t, k, 0).data());
    const std::string k2 = std::string(t.keyColumn) + "='K2'";

    // The read delivers every column into its own field.
    std::vector<char> read(t.info->size, 'x');
    t.setKey(read.data(), "K2");
    ASSERT_EQ(t.readk(read.data()), 0);
    EXPECT_EQ(Differences(*t.info, read.data(), Row(t, "K2", 0).data()), "");

    // The update writes every column from its own field and stamps the row.
    const std::vector<char> changed = Row(t, "K2", 1);
    ASSERT_EQ(t.upd(changed.data()), 0);
    EXPECT_EQ(zeltest::RowAsStored(db, t.table, *t.info, k2), ExpectedStored(*t.info, changed.data()));
    const std::string stampColumn = std::string(t.table).substr(6) + "Dat";
    EXPECT_NE(db.Value("select " + stampColumn + " from " + t.table + " where " + k2), "<null>");
    EXPECT_EQ(db.Value("select " + stampColumn + " from " + t.table + " where " + t.keyColumn + "='K1'"), "<null>");

    // The range leaves out both bounds.
    ASSERT_EQ(t.open("K1", "K3"), 0);
    std::vector<char> fetched(t.info->size);
    ASSERT_EQ(t.read(fetched.data()), 0);
    EXPECT_EQ(Differences(*t.info, fetched.data(), changed.data()), "");
    EXPECT_EQ(t.read(fetched.data()), ora::kNoRow);
    EXPECT_EQ(Differences(*t.info, fetched.data(), changed.data()), "") << "1403 leaves the record";
    EXPECT_EQ(t.close(), 0);
    ASSERT_EQ(t.open("K0", "K9"), 0);
    int rows = 0;
    while (t.read(fetched.data()) == 0) ++rows;
    EXPECT_EQ(rows, 3);
    EXPECT_EQ(t.close(), 0);

    // Deleted, the key reads 1403 and the record keeps only its key.
    ASSERT_EQ(t.del(changed.data()), 0);
    EXPECT_EQ(t.del(changed.data()), ora::kNoRow);
    EXPECT_EQ(t.upd(changed.data()), ora::kNoRow);
    EXPECT_EQ(t.readk(read.data()), ora::kNoRow);
    std::vector<char> keyOnly(t.info->size, 0);
    t.setKey(keyOnly.data(), "K2");
    EXPECT_EQ(Differences(*t.info, read.data(), keyOnly.data()), "");
  }
}

TEST(ShopWorkplaces, WorkstationsOfAWorkGroupInKeyOrder) {
  TestDatabase db;
  const RecordInfo& info = InfoOf<AplRecord>();
  for (const auto& [apl, apg] : std::vector<std::pair<const char*, const char*>>{
           {"P3", "G1"}, {"P1", "G1"}, {"P2", "G2"}, {"P4", "G1"}}) {
    AplRecord r;
    FillDistinct(info, &r);
    r.AplApl = apl;
    r.AplApg = apg;
    zeltest::InsertStored(db, "Mvs531Apl", info, &r);
  }
  ASSERT_EQ(Apl_Apg_Open("G1"), 0);
  std::vector<std::string> keys;
  AplRecord r{};
  while (Apl_Apg_Read(r) == 0) keys.push_back(r.AplApl.str() + "/" + r.AplApg.str());
  EXPECT_EQ(Apl_Apg_Close(), 0);
  EXPECT_EQ(keys, (std::vector<std::string>{"P1/G1", "P3/G1", "P4/G1"}));
}

}  // namespace
