// The fields of the shop-floor host records, listed by name, for the tests
// that hold them against the schema and that fill them with values that
// differ from column to column (so that two swapped columns show).
//
// A field is a column of Schema_Tables() of the same name; a field "<Col>Tim"
// is the time part of the instant <Col> whose day part is the field <Col>.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "DbTestSupport.h"
#include "db/Dbstd.h"
#include "db/Schema.h"
#include "db/ShopRecords.h"

namespace zeltest {

struct FieldInfo {
  std::string name;
  size_t offset;
  size_t size;
};

struct RecordInfo {
  const char* record;
  size_t size;
  std::vector<FieldInfo> fields;
};

#define ZEL_FIELD(R, f) ::zeltest::FieldInfo{#f, offsetof(R, f), sizeof(R::f)}

// Every field of every shop-floor record, in declaration order.
inline const std::vector<RecordInfo>& ShopRecordInfos() {
  static const std::vector<RecordInfo> infos = {
      {"ApkRecord", sizeof(ApkRecord),
       {ZEL_FIELD(ApkRecord, ApkApk), ZEL_FIELD(ApkRecord, ApkBz1),    ZEL_FIELD(ApkRecord, ApkBz2),
        ZEL_FIELD(ApkRecord, ApkTxt), ZEL_FIELD(ApkRecord, ApkSts),    ZEL_FIELD(ApkRecord, ApkSis),
        ZEL_FIELD(ApkRecord, ApkKun), ZEL_FIELD(ApkRecord, ApkKb1),    ZEL_FIELD(ApkRecord, ApkKb2),
        ZEL_FIELD(ApkRecord, ApkBgs), ZEL_FIELD(ApkRecord, ApkEns),    ZEL_FIELD(ApkRecord, ApkAfo),
        ZEL_FIELD(ApkRecord, ApkEaf), ZEL_FIELD(ApkRecord, ApkTnr),    ZEL_FIELD(ApkRecord, ApkTb1),
        ZEL_FIELD(ApkRecord, ApkTb2), ZEL_FIELD(ApkRecord, ApkSme),    ZEL_FIELD(ApkRecord, ApkIme),
        ZEL_FIELD(ApkRecord, ApkMee), ZEL_FIELD(ApkRecord, ApkBdi),    ZEL_FIELD(ApkRecord, ApkBdiTim),
        ZEL_FIELD(ApkRecord, ApkEdi), ZEL_FIELD(ApkRecord, ApkEdiTim), ZEL_FIELD(ApkRecord, ApkFbe),
        ZEL_FIELD(ApkRecord, ApkKst), ZEL_FIELD(ApkRecord, ApkZf1),    ZEL_FIELD(ApkRecord, ApkZf2),
        ZEL_FIELD(ApkRecord, ApkZf3), ZEL_FIELD(ApkRecord, ApkKnz),    ZEL_FIELD(ApkRecord, ApkSsn),
        ZEL_FIELD(ApkRecord, ApkDwn), ZEL_FIELD(ApkRecord, ApkDna),    ZEL_FIELD(ApkRecord, ApkSta),
        ZEL_FIELD(ApkRecord, ApkErf), ZEL_FIELD(ApkRecord, ApkAba)}},
      {"AppRecord", sizeof(AppRecord),
       {ZEL_FIELD(AppRecord, AppApk), ZEL_FIELD(AppRecord, AppApp),    ZEL_FIELD(AppRecord, AppVaf),
        ZEL_FIELD(AppRecord, AppNaf), ZEL_FIELD(AppRecord, AppBz1),    ZEL_FIELD(AppRecord, AppBz2),
        ZEL_FIELD(AppRecord, AppTxt), ZEL_FIELD(AppRecord, AppSts),    ZEL_FIELD(AppRecord, AppSis),
        ZEL_FIELD(AppRecord, AppBdi), ZEL_FIELD(AppRecord, AppBdiTim), ZEL_FIELD(AppRecord, AppBds),
        ZEL_FIELD(AppRecord, AppBdsTim), ZEL_FIELD(AppRecord, AppSbd), ZEL_FIELD(AppRecord, AppSbdTim),
        ZEL_FIELD(AppRecord, AppEdi), ZEL_FIELD(AppRecord, AppEdiTim), ZEL_FIELD(AppRecord, AppEds),
        ZEL_FIELD(AppRecord, AppEdsTim), ZEL_FIELD(AppRecord, AppSed), ZEL_FIELD(AppRecord, AppSedTim),
        ZEL_FIELD(AppRecord, AppRad), ZEL_FIELD(AppRecord, AppRadTim), ZEL_FIELD(AppRecord, AppRed),
        ZEL_FIELD(AppRecord, AppRedTim), ZEL_FIELD(AppRecord, AppAgs), ZEL_FIELD(AppRecord, AppAbs),
        ZEL_FIELD(AppRecord, AppAes), ZEL_FIELD(AppRecord, AppSme),    ZEL_FIELD(AppRecord, AppIme),
        ZEL_FIELD(AppRecord, AppAme), ZEL_FIELD(AppRecord, AppMee),    ZEL_FIELD(AppRecord, AppSza),
        ZEL_FIELD(AppRecord, AppStr), ZEL_FIELD(AppRecord, AppSte),    ZEL_FIELD(AppRecord, AppIta),
        ZEL_FIELD(AppRecord, AppItr), ZEL_FIELD(AppRecord, AppIte),    ZEL_FIELD(AppRecord, AppApg),
        ZEL_FIELD(AppRecord, AppApl), ZEL_FIELD(AppRecord, AppKt1),    ZEL_FIELD(AppRecord, AppKz1),
        ZEL_FIELD(AppRecord, AppKt2), ZEL_FIELD(AppRecord, AppKz2),    ZEL_FIELD(AppRecord, AppKt3),
        ZEL_FIELD(AppRecord, AppKz3), ZEL_FIELD(AppRecord, AppKt4),    ZEL_FIELD(AppRecord, AppKz4),
        ZEL_FIELD(AppRecord, AppFbe), ZEL_FIELD(AppRecord, AppKst),    ZEL_FIELD(AppRecord, AppZf1),
        ZEL_FIELD(AppRecord, AppZf2), ZEL_FIELD(AppRecord, AppZf3),    ZEL_FIELD(AppRecord, AppKnz),
        ZEL_FIELD(AppRecord, AppSsn), ZEL_FIELD(AppRecord, AppDna),    ZEL_FIELD(AppRecord, AppDwn),
        ZEL_FIELD(AppRecord, AppSta), ZEL_FIELD(AppRecord, AppDat),    ZEL_FIELD(AppRecord, AppErf)}},
      {"ApgRecord", sizeof(ApgRecord),
       {ZEL_FIELD(ApgRecord, ApgApg), ZEL_FIELD(ApgRecord, ApgBez), ZEL_FIELD(ApgRecord, ApgTxt),
        ZEL_FIELD(ApgRecord, ApgFbe), ZEL_FIELD(ApgRecord, ApgKst), ZEL_FIELD(ApgRecord, ApgApl),
        ZEL_FIELD(ApgRecord, ApgTag), ZEL_FIELD(ApgRecord, ApgKap), ZEL_FIELD(ApgRecord, ApgPrd),
        ZEL_FIELD(ApgRecord, ApgRst), ZEL_FIELD(ApgRecord, ApgPau), ZEL_FIELD(ApgRecord, ApgUnt),
        ZEL_FIELD(ApgRecord, ApgIak), ZEL_FIELD(ApgRecord, ApgSt1), ZEL_FIELD(ApgRecord, ApgSt2),
        ZEL_FIELD(ApgRecord, ApgSt3), ZEL_FIELD(ApgRecord, ApgSf1), ZEL_FIELD(ApgRecord, ApgSf2),
        ZEL_FIELD(ApgRecord, ApgSf3), ZEL_FIELD(ApgRecord, ApgZf1), ZEL_FIELD(ApgRecord, ApgZf2),
        ZEL_FIELD(ApgRecord, ApgZf3), ZEL_FIELD(ApgRecord, ApgDna), ZEL_FIELD(ApgRecord, ApgDwn),
        ZEL_FIELD(ApgRecord, ApgSta), ZEL_FIELD(ApgRecord, ApgErf)}},
      {"AplRecord", sizeof(AplRecord),
       {ZEL_FIELD(AplRecord, AplApl), ZEL_FIELD(AplRecord, AplBez), ZEL_FIELD(AplRecord, AplTxt),
        ZEL_FIELD(AplRecord, AplApg), ZEL_FIELD(AplRecord, AplFbe), ZEL_FIELD(AplRecord, AplSts),
        ZEL_FIELD(AplRecord, AplSis), ZEL_FIELD(AplRecord, AplApr), ZEL_FIELD(AplRecord, AplAaf),
        ZEL_FIELD(AplRecord, AplUbg), ZEL_FIELD(AplRecord, AplUdt), ZEL_FIELD(AplRecord, AplTag),
        ZEL_FIELD(AplRecord, AplVrf), ZEL_FIELD(AplRecord, AplRsp), ZEL_FIELD(AplRecord, AplRsi),
        ZEL_FIELD(AplRecord, AplAfp), ZEL_FIELD(AplRecord, AplAfi), ZEL_FIELD(AplRecord, AplPau),
        ZEL_FIELD(AplRecord, AplUnt), ZEL_FIELD(AplRecord, AplIak), ZEL_FIELD(AplRecord, AplAvt),
        ZEL_FIELD(AplRecord, AplKap), ZEL_FIELD(AplRecord, AplAvr), ZEL_FIELD(AplRecord, AplAvp),
        ZEL_FIELD(AplRecord, AplSt1), ZEL_FIELD(AplRecord, AplSt2), ZEL_FIELD(AplRecord, AplSt3),
        ZEL_FIELD(AplRecord, AplSf1), ZEL_FIELD(AplRecord, AplSf2), ZEL_FIELD(AplRecord, AplSf3),
        ZEL_FIELD(AplRecord, AplZf1), ZEL_FIELD(AplRecord, AplZf2), ZEL_FIELD(AplRecord, AplZf3),
        ZEL_FIELD(AplRecord, AplDna), ZEL_FIELD(AplRecord, AplDwn), ZEL_FIELD(AplRecord, AplSta),
        ZEL_FIELD(AplRecord, AplErf)}},
      {"UbgRecord", sizeof(UbgRecord),
       {ZEL_FIELD(UbgRecord, UbgUbg), ZEL_FIELD(UbgRecord, UbgKnz), ZEL_FIELD(UbgRecord, UbgFbe),
        ZEL_FIELD(UbgRecord, UbgBez), ZEL_FIELD(UbgRecord, UbgTxt), ZEL_FIELD(UbgRecord, UbgZf1),
        ZEL_FIELD(UbgRecord, UbgZf2), ZEL_FIELD(UbgRecord, UbgZf3), ZEL_FIELD(UbgRecord, UbgAst),
        ZEL_FIELD(UbgRecord, UbgRst), ZEL_FIELD(UbgRecord, UbgAsf), ZEL_FIELD(UbgRecord, UbgSt1),
        ZEL_FIELD(UbgRecord, UbgSt2), ZEL_FIELD(UbgRecord, UbgSt3), ZEL_FIELD(UbgRecord, UbgSf1),
        ZEL_FIELD(UbgRecord, UbgSf2), ZEL_FIELD(UbgRecord, UbgSf3), ZEL_FIELD(UbgRecord, UbgDna),
        ZEL_FIELD(UbgRecord, UbgDwn), ZEL_FIELD(UbgRecord, UbgSta), ZEL_FIELD(UbgRecord, UbgErf)}},
      {"KsgRecord", sizeof(KsgRecord),
       {ZEL_FIELD(KsgRecord, KsgApg), ZEL_FIELD(KsgRecord, KsgGvo), ZEL_FIELD(KsgRecord, KsgKst),
        ZEL_FIELD(KsgRecord, KsgGbi), ZEL_FIELD(KsgRecord, KsgFbe), ZEL_FIELD(KsgRecord, KsgZf1),
        ZEL_FIELD(KsgRecord, KsgZf2), ZEL_FIELD(KsgRecord, KsgZf3), ZEL_FIELD(KsgRecord, KsgSta),
        ZEL_FIELD(KsgRecord, KsgErf)}},
      {"FzuRecord", sizeof(FzuRecord),
       {ZEL_FIELD(FzuRecord, FzuFcd), ZEL_FIELD(FzuRecord, FzuMld), ZEL_FIELD(FzuRecord, FzuBez),
        ZEL_FIELD(FzuRecord, FzuTxt), ZEL_FIELD(FzuRecord, FzuArt), ZEL_FIELD(FzuRecord, FzuObj),
        ZEL_FIELD(FzuRecord, FzuUpl), ZEL_FIELD(FzuRecord, FzuGen), ZEL_FIELD(FzuRecord, FzuZf1),
        ZEL_FIELD(FzuRecord, FzuZf2), ZEL_FIELD(FzuRecord, FzuZf3), ZEL_FIELD(FzuRecord, FzuSta),
        ZEL_FIELD(FzuRecord, FzuErf)}},
      {"AemDayRecord", sizeof(AemDayRecord),
       {ZEL_FIELD(AemDayRecord, AemApg), ZEL_FIELD(AemDayRecord, AemEmo), ZEL_FIELD(AemDayRecord, AemGvo),
        ZEL_FIELD(AemDayRecord, AemBez), ZEL_FIELD(AemDayRecord, AemTxt), ZEL_FIELD(AemDayRecord, AemKal),
        ZEL_FIELD(AemDayRecord, AemLkz), ZEL_FIELD(AemDayRecord, AemVzt), ZEL_FIELD(AemDayRecord, AemEzt),
        ZEL_FIELD(AemDayRecord, AemPrz), ZEL_FIELD(AemDayRecord, AemAfz), ZEL_FIELD(AemDayRecord, AemApz),
        ZEL_FIELD(AemDayRecord, AemPrp), ZEL_FIELD(AemDayRecord, AemAfp), ZEL_FIELD(AemDayRecord, AemApp),
        ZEL_FIELD(AemDayRecord, AemMaz), ZEL_FIELD(AemDayRecord, KalDtm), ZEL_FIELD(AemDayRecord, KalBtp),
        ZEL_FIELD(AemDayRecord, BakJhr), ZEL_FIELD(AemDayRecord, BakMon), ZEL_FIELD(AemDayRecord, BakWch),
        ZEL_FIELD(AemDayRecord, BakWtg), ZEL_FIELD(AemDayRecord, BakJtg)}},
      {"EmoRecord", sizeof(EmoRecord),
       {ZEL_FIELD(EmoRecord, EmoEmo), ZEL_FIELD(EmoRecord, EmoTtp), ZEL_FIELD(EmoRecord, EmoTxt),
        ZEL_FIELD(EmoRecord, EmoBeg), ZEL_FIELD(EmoRecord, EmoEnd), ZEL_FIELD(EmoRecord, EmoArt)}},
      {"EmoPmsRecord", sizeof(EmoPmsRecord),
       {ZEL_FIELD(EmoPmsRecord, EmoEmo), ZEL_FIELD(EmoPmsRecord, EmoTtp), ZEL_FIELD(EmoPmsRecord, EmoTxt),
        ZEL_FIELD(EmoPmsRecord, EmoBeg), ZEL_FIELD(EmoPmsRecord, EmoEnd), ZEL_FIELD(EmoPmsRecord, PmsNum),
        ZEL_FIELD(EmoPmsRecord, PmsBeg), ZEL_FIELD(EmoPmsRecord, PmsEnd), ZEL_FIELD(EmoPmsRecord, PmsInt),
        ZEL_FIELD(EmoPmsRecord, PmsPse), ZEL_FIELD(EmoPmsRecord, PmsBzt), ZEL_FIELD(EmoPmsRecord, PmsPrz)}},
      {"VrgRecord", sizeof(VrgRecord),
       {ZEL_FIELD(VrgRecord, VrgBer), ZEL_FIELD(VrgRecord, VrgFld), ZEL_FIELD(VrgRecord, VrgWrt)}},
      {"NzpRecord", sizeof(NzpRecord),
       {ZEL_FIELD(NzpRecord, NzpAkz), ZEL_FIELD(NzpRecord, NzpGvn), ZEL_FIELD(NzpRecord, NzpGbi),
        ZEL_FIELD(NzpRecord, NzpAak), ZEL_FIELD(NzpRecord, NzpAwt), ZEL_FIELD(NzpRecord, NzpKjh),
        ZEL_FIELD(NzpRecord, NzpKmn), ZEL_FIELD(NzpRecord, NzpKwo), ZEL_FIELD(NzpRecord, NzpKtg),
        ZEL_FIELD(NzpRecord, NzpAan), ZEL_FIELD(NzpRecord, NzpVfh), ZEL_FIELD(NzpRecord, NzpNfh),
        ZEL_FIELD(NzpRecord, NzpAus), ZEL_FIELD(NzpRecord, NzpMrk)}},
  };
  return infos;
}

template <class R>
const RecordInfo& InfoOf() {
  for (const RecordInfo& r : ShopRecordInfos())
    if (r.size == sizeof(R)) return r;
  ADD_FAILURE() << "no field list for a record of size " << sizeof(R);
  return ShopRecordInfos().front();
}

// The schema column of a field; for "<Col>Tim" the instant <Col>. `table`
// receives the table's name.
inline const zeldb::ColumnSpec* ColumnOf(const std::string& field, std::string* table = nullptr) {
  const bool timePart = field.size() > 3 && field.compare(field.size() - 3, 3, "Tim") == 0;
  const std::string column = timePart ? field.substr(0, field.size() - 3) : field;
  for (const zeldb::TableSpec& t : zeldb::Schema_Tables())
    for (const zeldb::ColumnSpec& c : t.columns)
      if (column == c.name) {
        if (table) *table = t.name;
        return &c;
      }
  return nullptr;
}

inline bool IsTimePart(const FieldInfo& f) { return f.size == 7 && f.name.size() > 3 && f.name.substr(f.name.size() - 3) == "Tim"; }

// Fills every field of `record` with a value of its own: texts the field's
// name (cut from the left to fit), integers above the 16-bit range, 16-bit
// numbers negative, days, times and instants all different. `seed` gives a
// second, different set of values.
inline void FillDistinct(const RecordInfo& info, void* record, int seed = 0) {
  char* base = static_cast<char*>(record);
  std::memset(base, 0, info.size);
  for (size_t i = 0; i < info.fields.size(); ++i) {
    const FieldInfo& f = info.fields[i];
    const zeldb::ColumnSpec* c = ColumnOf(f.name);
    ASSERT_NE(c, nullptr) << f.name;
    const int n = static_cast<int>(i) + 1 + seed * 7;
    char text[128] = {};
    if (IsTimePart(f)) {
      std::snprintf(text, sizeof text, "%02d%02d%02d", n % 24, (n * 7) % 60, (n * 13) % 60);
    } else {
      switch (c->kind) {
        case zeldb::ColumnKind::Text: {
          std::string v = seed ? std::to_string(seed) + f.name : f.name;
          if (v.size() > f.size - 1) v = v.substr(v.size() - (f.size - 1));
          std::snprintf(text, sizeof text, "%s", v.c_str());
          break;
        }
        case zeldb::ColumnKind::Int: {
          const int32_t x = 100000 + 1000 * n;
          std::memcpy(base + f.offset, &x, sizeof x);
          continue;
        }
        case zeldb::ColumnKind::Short: {
          const int32_t x = -n;
          std::memcpy(base + f.offset, &x, sizeof x);
          continue;
        }
        case zeldb::ColumnKind::Double: {
          const double x = n + 0.25;
          std::memcpy(base + f.offset, &x, sizeof x);
          continue;
        }
        case zeldb::ColumnKind::Day:
          std::snprintf(text, sizeof text, "2026%02d%02d", 1 + n / 28, 1 + n % 28);
          break;
        case zeldb::ColumnKind::Instant:
          if (f.size == 9)  // the day of an instant kept as day and time
            std::snprintf(text, sizeof text, "2026%02d%02d", 1 + n / 28, 1 + n % 28);
          else
            std::snprintf(text, sizeof text, "2026%02d%02d%02d%02d%02d", 1 + n / 28, 1 + n % 28, n % 24, (n * 7) % 60,
                          (n * 13) % 60);
          break;
      }
    }
    std::memcpy(base + f.offset, text, std::strlen(text));
  }
}

// "yyyymmdd[HH24MISS]" as the database stores it.
inline std::string Stored(const std::string& oracle) {
  if (oracle.empty()) return "<null>";
  const std::string t = oracle.size() == 14 ? oracle.substr(8) : "000000";
  return oracle.substr(0, 4) + "-" + oracle.substr(4, 2) + "-" + oracle.substr(6, 2) + " " + t.substr(0, 2) + ":" +
         t.substr(2, 2) + ":" + t.substr(4, 2);
}

inline std::string Number(double x) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%g", x);
  return buf;
}

// The record's columns as the database holds them: column name and stored
// text ("<null>" for NULL), a day-and-time pair as one instant.
inline std::vector<std::pair<std::string, std::string>> StoredColumns(const RecordInfo& info, const void* record) {
  const char* base = static_cast<const char*>(record);
  std::vector<std::pair<std::string, std::string>> cols;
  for (size_t i = 0; i < info.fields.size(); ++i) {
    const FieldInfo& f = info.fields[i];
    if (IsTimePart(f)) continue;
    const zeldb::ColumnSpec* c = ColumnOf(f.name);
    const char* p = base + f.offset;
    std::string v;
    switch (c->kind) {
      case zeldb::ColumnKind::Text:
        v = *p ? std::string(p) : "<null>";
        break;
      case zeldb::ColumnKind::Int:
      case zeldb::ColumnKind::Short: {
        int32_t x;
        std::memcpy(&x, p, sizeof x);
        v = std::to_string(x);
        break;
      }
      case zeldb::ColumnKind::Double: {
        double x;
        std::memcpy(&x, p, sizeof x);
        v = Number(x);
        break;
      }
      case zeldb::ColumnKind::Day:
        v = Stored(p);
        break;
      case zeldb::ColumnKind::Instant: {
        std::string text = p;
        if (f.size == 9 && i + 1 < info.fields.size() && IsTimePart(info.fields[i + 1]) && !text.empty())
          text += base + info.fields[i + 1].offset;
        v = Stored(text);
        break;
      }
    }
    cols.emplace_back(f.name, v);
  }
  return cols;
}

// The row of `table` selected by `where`, column by column as
// "<column>=<stored text>", for the columns the record has.
inline std::vector<std::string> RowAsStored(TestDatabase& db, const std::string& table, const RecordInfo& info,
                                            const std::string& where) {
  std::vector<std::string> out;
  for (const auto& [name, value] : StoredColumns(info, std::string(info.size, '\0').data())) {
    (void)value;
    std::string v = db.Value("select " + name + " from " + table + " where " + where);
    // Floating point as the test formats it, whatever the engine prints.
    const zeldb::ColumnSpec* c = ColumnOf(name);
    if (c->kind == zeldb::ColumnKind::Double && v != "<null>" && v != "<none>") v = Number(std::stod(v));
    out.push_back(name + "=" + v);
  }
  return out;
}

// What RowAsStored should give for `record`.
inline std::vector<std::string> ExpectedStored(const RecordInfo& info, const void* record) {
  std::vector<std::string> out;
  for (const auto& [name, value] : StoredColumns(info, record)) out.push_back(name + "=" + value);
  return out;
}

// Inserts `record` as a row of `table` through the test's own connection;
// `extra` adds columns that are no field ({column, SQL value}).
inline void InsertStored(TestDatabase& db, const std::string& table, const RecordInfo& info, const void* record,
                         const std::vector<std::pair<std::string, std::string>>& extra = {}) {
  std::string names, values;
  for (const auto& [name, value] : extra) {
    names += (names.empty() ? "" : ",") + name;
    values += (values.empty() ? "" : ",") + value;
  }
  for (const auto& [name, value] : StoredColumns(info, record)) {
    // Only the table's own columns: a joined record carries others too.
    if (name.compare(0, 3, table, 6, 3) != 0) continue;
    names += (names.empty() ? "" : ",") + name;
    values += (values.empty() ? "" : ",") + (value == "<null>" ? std::string("NULL") : "'" + value + "'");
  }
  db.Exec("insert into " + table + " (" + names + ") values (" + values + ")");
}

// Field by field, what differs between two records of `info`.
inline std::string Differences(const RecordInfo& info, const void* a, const void* b) {
  std::string diff;
  for (const FieldInfo& f : info.fields)
    if (std::memcmp(static_cast<const char*>(a) + f.offset, static_cast<const char*>(b) + f.offset, f.size) != 0)
      diff += f.name + " ";
  return diff;
}

}  // namespace zeltest
