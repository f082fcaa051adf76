// The fields of the shop-floor host records, laid out from the schema, for
// the tests that hold the records against the schema and that fill them
// with values that differ from column to column (so that two swapped
// columns show).
//
// A record is described by the columns it holds, taken in table order from
// Schema_Tables(); its fields are laid out as the compiler lays out the
// record's declaration if every field has its column's width: a text
// column is one place wider than the column (the terminator) and takes
// FixedTextBytes of that width, a number
// int32_t or double, a day "yyyymmdd", an instant "yyyymmddHH24MISS" or, for
// the instants a record keeps as day and time, the day <Col> followed by the
// time <Col>Tim "HH24MISS". Nothing here is taken from the records
// themselves: test_records_schema.cpp holds the layout against sizeof and
// against the offset and width of every host variable bound to each field,
// so a field whose width or place disagrees with its column fails there.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <typeindex>
#include <vector>

#include "DbTestSupport.h"
#include "db/Dbstd.h"
#include "db/schema/Schema.h"
#include "db/shop/ShopRecords.h"

namespace zeltest {

struct FieldInfo {
  std::string name;
  size_t offset;
  size_t size;   // bytes
  size_t width;  // places of a text, terminator included; bytes of a number
};

// Bytes of a text field of `width` places.
inline size_t TextBytes(size_t width) { return FixedTextBytes(width); }

struct RecordInfo {
  const char* record;
  std::type_index type;
  size_t size;  // sizeof the record
  std::vector<FieldInfo> fields;
  size_t laidOutSize;  // what the size would be if the fields were all it holds
};

// The columns of `table` in table order, without those of `leftOut`.
inline std::vector<std::string> Columns(const char* table, const std::vector<std::string>& leftOut = {}) {
  std::vector<std::string> out;
  for (const zeldb::TableSpec& t : zeldb::Schema_Tables())
    if (std::string(t.name) == table)
      for (const zeldb::ColumnSpec& c : t.columns)
        if (std::find(leftOut.begin(), leftOut.end(), c.name) == leftOut.end()) out.push_back(c.name);
  if (out.empty()) ADD_FAILURE() << "no table " << table;
  return out;
}

inline std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

inline const zeldb::ColumnSpec* SchemaColumn(const std::string& name) {
  for (const zeldb::TableSpec& t : zeldb::Schema_Tables())
    for (const zeldb::ColumnSpec& c : t.columns)
      if (name == c.name) return &c;
  return nullptr;
}

// Record R laid out from its columns; the instants of `dayAndTime` as two
// fields.
template <class R>
RecordInfo LayOut(const char* record, const std::vector<std::string>& columns,
                  const std::vector<std::string>& dayAndTime = {}) {
  RecordInfo info{record, typeid(R), sizeof(R), {}, 0};
  size_t end = 0, recordAlign = 1;
  auto add = [&](const std::string& name, size_t width, size_t align) {
    const size_t offset = (end + align - 1) / align * align;
    const size_t size = align == 1 ? TextBytes(width) : width;
    info.fields.push_back({name, offset, size, width});
    end = offset + size;
    recordAlign = std::max(recordAlign, align);
  };
  for (const std::string& name : columns) {
    const zeldb::ColumnSpec* c = SchemaColumn(name);
    if (!c) {
      ADD_FAILURE() << name << " is no column of the schema";
      continue;
    }
    const bool split = std::find(dayAndTime.begin(), dayAndTime.end(), name) != dayAndTime.end();
    switch (c->kind) {
      case zeldb::ColumnKind::Text:
        add(name, static_cast<size_t>(c->width) + 1, 1);
        break;
      case zeldb::ColumnKind::Int:
      case zeldb::ColumnKind::Short:
        add(name, sizeof(int32_t), alignof(int32_t));
        break;
      case zeldb::ColumnKind::Double:
        add(name, sizeof(double), alignof(double));
        break;
      case zeldb::ColumnKind::Day:
        add(name, 9, 1);
        break;
      case zeldb::ColumnKind::Instant:
        add(name, split ? 9 : 15, 1);
        if (split) add(name + "Tim", 7, 1);
        break;
    }
  }
  info.laidOutSize = (end + recordAlign - 1) / recordAlign * recordAlign;
  return info;
}

// Every shop-floor record. The change instants (ApkDat ... NzpAdt) are no
// fields but AppDat; the selection-only and join-only columns are none.
inline const std::vector<RecordInfo>& ShopRecordInfos() {
  static const std::vector<RecordInfo> infos = {
      LayOut<ApkRecord>("ApkRecord", Columns("Mvs501Apk", {"ApkDat"}), {"ApkBdi", "ApkEdi"}),
      LayOut<AppRecord>("AppRecord", Columns("Mvs504App"),
             {"AppBdi", "AppBds", "AppSbd", "AppEdi", "AppEds", "AppSed", "AppRad", "AppRed"}),
      LayOut<ApgRecord>("ApgRecord", Columns("Mvs530Apg", {"ApgDat"})),
      LayOut<AplRecord>("AplRecord", Columns("Mvs531Apl", {"AplDat"})),
      LayOut<UbgRecord>("UbgRecord", Columns("Mvs521Ubg", {"UbgDat"})),
      LayOut<KsgRecord>("KsgRecord", Columns("Mvs537Ksg", {"KsgDat"})),
      LayOut<FzuRecord>("FzuRecord", Columns("Mvs553Fzu", {"FzuAec"})),
      LayOut<AemDayRecord>("AemDayRecord", Columns("Mvs532Aem", {"AemKng", "AemGbi"}) + Columns("Mvs133Kal", {"KalNum"}) +
                 Columns("Mvs133Bak", {"BakDtm", "BakTag"})),
      LayOut<EmoRecord>("EmoRecord", Columns("Mvs533Emo", {"EmoPmo"})),
      LayOut<EmoPmsRecord>("EmoPmsRecord", Columns("Mvs533Emo", {"EmoArt", "EmoPmo"}) + Columns("Mvs535Pms")),
      LayOut<VrgRecord>("VrgRecord", Columns("Mvs555Vrg")),
      LayOut<NzpRecord>("NzpRecord", Columns("Mvs591Nzp", {"NzpAdt"})),
  };
  return infos;
}

template <class R>
const RecordInfo& InfoOf() {
  for (const RecordInfo& r : ShopRecordInfos())
    if (r.type == typeid(R)) return r;
  ADD_FAILURE() << "no layout for " << typeid(R).name();
  return ShopRecordInfos().front();
}

// The schema column of a field; for "<Col>Tim" the instant <Col>.
inline const zeldb::ColumnSpec* ColumnOf(const std::string& field) {
  const bool timePart = field.size() > 3 && field.compare(field.size() - 3, 3, "Tim") == 0;
  return SchemaColumn(timePart ? field.substr(0, field.size() - 3) : field);
}

inline bool IsTimePart(const FieldInfo& f) { return f.width == 7 && f.name.size() > 3 && f.name.substr(f.name.size() - 3) == "Tim"; }

// Fills every field of `record` with a value of its own: texts the field's
// name (cut from the left to fit), integers above the 16-bit range, 16-bit
// numbers negative, days, times and instants all different. `seed` gives a
// second, different set of values, whose texts are as wide as their columns
// and take many more bytes (WideText).
inline void FillDistinct(const RecordInfo& info, void* record, int seed = 0) {
  char* base = static_cast<char*>(record);
  std::memset(base, 0, info.size);
  for (size_t i = 0; i < info.fields.size(); ++i) {
    const FieldInfo& f = info.fields[i];
    const zeldb::ColumnSpec* c = ColumnOf(f.name);
    ASSERT_NE(c, nullptr) << f.name;
    const int n = static_cast<int>(i) + 1 + seed * 7;
    char text[512] = {};
    if (IsTimePart(f)) {
      std::snprintf(text, sizeof text, "%02d%02d%02d", n % 24, (n * 7) % 60, (n * 13) % 60);
    } else {
      switch (c->kind) {
        case zeldb::ColumnKind::Text: {
          std::string v = seed ? std::to_string(seed) + f.name : f.name;
          const size_t chars = f.width - 1;
          if (v.size() > chars) v = v.substr(v.size() - chars);
          if (seed) v = WideText(v.size() == chars ? "ä" + v.substr(1) : v, chars);
          EXPECT_LT(v.size(), f.size) << f.name << " cannot hold a text as wide as its column";
          std::snprintf(text, sizeof text, "%.*s", static_cast<int>(f.size - 1), v.c_str());
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
          if (f.width == 9)  // the day of an instant kept as day and time
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
        if (f.width == 9 && i + 1 < info.fields.size() && IsTimePart(info.fields[i + 1]) && !text.empty())
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
    if (!values.empty()) values += ',';
    if (value == "<null>") {
      values += "NULL";
    } else {
      values.append("'").append(value).append("'");
    }
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
