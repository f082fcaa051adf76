// The host records and the statement tables against the schema, which is
// the one place where the column widths are written down. The shop-floor
// records are laid out from the schema (ShopRecordFields.h); every host
// variable of every statement must have the type and width of the column it
// is bound to, and, in a shop-floor record, the offset and width of the
// laid-out field of that column's name, and every laid-out field must be
// bound somewhere. A swapped column, a field missing or too many, or a width
// that drifted fails here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "ShopRecordFields.h"
#include "db/Statement.h"
#include "db/tables/DbstdCatalog.h"

namespace {

using zeldb::ColumnKind;
using zeldb::HostType;
using zeltest::FieldInfo;
using zeltest::RecordInfo;

// AswErf is read from a 50-character column into the 8 places that the
// download table's PrvErf takes over.
const std::vector<std::string> kNarrowerByDesign = {"AswErf"};

// A field missing, one too many or one too wide at the end of a record shows
// in its size; the fields before are held against the host variables below.
TEST(RecordsSchema, EveryShopRecordIsAsLargeAsItsColumnsLaidOut) {
  for (const RecordInfo& r : zeltest::ShopRecordInfos()) EXPECT_EQ(r.laidOutSize, r.size) << r.record;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

const zeldb::ColumnSpec* Column(const std::string& name) {
  for (const auto& t : zeldb::Schema_Tables())
    for (const auto& c : t.columns)
      if (EqualsNoCase(name, c.name)) return &c;
  return nullptr;
}

std::string Trim(std::string s) {
  while (!s.empty() && s.front() == ' ') s.erase(s.begin());
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// Splits at the commas outside parentheses and quotes.
std::vector<std::string> SplitTopLevel(const std::string& s) {
  std::vector<std::string> parts;
  int depth = 0;
  bool quoted = false;
  std::string cur;
  for (char ch : s) {
    if (ch == '\'') quoted = !quoted;
    if (!quoted && ch == '(') ++depth;
    if (!quoted && ch == ')') --depth;
    if (!quoted && depth == 0 && ch == ',') {
      parts.push_back(Trim(cur));
      cur.clear();
      continue;
    }
    cur += ch;
  }
  parts.push_back(Trim(cur));
  return parts;
}

// One value bound to one column: the column, the conversion format ("" for
// none) and whether a host variable carries it.
struct Binding {
  std::string column;
  std::string format;
  bool host;
};

// "TO_CHAR(Col,'fmt')", "TO_DATE(:bN,'fmt')", "Col", ":bN", "sysdate"...
Binding Parse(const std::string& column, const std::string& expr) {
  Binding b{column, "", false};
  if (expr.rfind("TO_CHAR(", 0) == 0 || expr.rfind("TO_DATE(", 0) == 0) {
    const size_t comma = expr.find(',');
    const std::string inner = expr.substr(8, comma - 8);
    b.format = expr.substr(comma + 2, expr.find('\'', comma + 2) - comma - 2);
    if (b.column.empty()) b.column = inner;
    b.host = inner.rfind(":b", 0) == 0;
  } else {
    if (b.column.empty()) b.column = expr;
    b.host = expr.rfind(":b", 0) == 0 || column.empty();
  }
  return b;
}

// The shop-floor record fields "<record>.<field>" that a host variable was
// held against.
std::set<std::string> boundFields;

// What a host variable bound to `b` must be.
void ExpectHostVariable(const std::string& where, const Binding& b, const zeldb::HostVar& v, size_t recordSize) {
  const zeldb::ColumnSpec* c = Column(b.column);
  if (!c) return;  // count(*), sum(...): no column
  SCOPED_TRACE(where + ": " + b.column);
  switch (c->kind) {
    case ColumnKind::Text:
      EXPECT_EQ(v.type, HostType::String);
      if (std::find(kNarrowerByDesign.begin(), kNarrowerByDesign.end(), c->name) == kNarrowerByDesign.end()) {
        EXPECT_EQ(v.width, static_cast<uint32_t>(c->width) + 1);
      }
      break;
    case ColumnKind::Int:
      EXPECT_EQ(v.type, HostType::Int32);
      break;
    case ColumnKind::Short:
      EXPECT_EQ(v.type, HostType::Int16);
      break;
    case ColumnKind::Double:
      EXPECT_EQ(v.type, HostType::Double);
      break;
    case ColumnKind::Day:
    case ColumnKind::Instant: {
      EXPECT_EQ(v.type, HostType::String);
      const uint32_t width = b.format == "yyyymmdd" ? 9 : b.format == "HH24MISS" ? 7 : 15;
      EXPECT_EQ(v.width, width) << b.format;
      EXPECT_TRUE(c->kind == ColumnKind::Instant || b.format == "yyyymmdd") << "a day as " << b.format;
      break;
    }
  }
  // In a shop-floor record the variable is the laid-out field of the
  // column's name, at its offset and of its width. (Another record of the
  // same size has no field of that name.)
  const std::string field = std::string(c->name) + (b.format == "HH24MISS" ? "Tim" : "");
  for (const RecordInfo& r : zeltest::ShopRecordInfos()) {
    if (r.size != recordSize) continue;
    auto f = std::find_if(r.fields.begin(), r.fields.end(), [&](const FieldInfo& x) { return x.name == field; });
    if (f != r.fields.end()) {
      EXPECT_EQ(v.offset, f->offset) << "bound to another field of " << r.record;
      EXPECT_EQ(v.width, f->width) << "a field of " << r.record << " is not as wide as its column";
      EXPECT_EQ(v.size, f->size) << "a field of " << r.record << " is not as large as its width needs";
      boundFields.insert(std::string(r.record) + "." + field);
    }
  }
}

std::string Between(const std::string& s, const std::string& from, const std::string& to) {
  const size_t a = s.find(from);
  if (a == std::string::npos) return "";
  const size_t b = s.find(to, a + from.size());
  return s.substr(a + from.size(), b == std::string::npos ? std::string::npos : b - a - from.size());
}

void CheckSelectList(const std::string& name, const std::string& list, const std::vector<zeldb::HostVar>& outputs,
                     size_t recordSize) {
  std::vector<std::string> exprs;
  for (const std::string& e : SplitTopLevel(list)) exprs.push_back(e);
  ASSERT_EQ(exprs.size(), outputs.size()) << name << ": select list and outputs differ in number";
  for (size_t i = 0; i < exprs.size(); ++i) ExpectHostVariable(name, Parse("", exprs[i]), outputs[i], recordSize);
}

TEST(RecordsSchema, EveryHostVariableHasTheTypeAndWidthOfItsColumn) {
  size_t checked = 0;
  for (const zeldb::StatementDef* def : zeldb::Dbstd_Statements()) {
    const std::string text = def->text;
    const std::string name = def->name;
    if (def->kind == zeldb::StmtKind::SelectInto) {
      CheckSelectList(name, Between(text, "select ", " into "), def->outputs, def->recordSize);
    } else if (def->kind == zeldb::StmtKind::Insert) {
      const std::vector<std::string> columns = SplitTopLevel(Between(text, "(", ")"));
      const std::string afterValues = text.substr(text.find(" values (") + 9);
      const std::vector<std::string> values = SplitTopLevel(afterValues.substr(0, afterValues.size() - 1));
      ASSERT_EQ(columns.size(), values.size()) << name;
      size_t input = 0;
      for (size_t i = 0; i < columns.size(); ++i) {
        const Binding b = Parse(columns[i], values[i]);
        if (!b.host) continue;
        ASSERT_LT(input, def->inputs.size()) << name;
        ExpectHostVariable(name, b, def->inputs[input++], def->recordSize);
      }
    } else if (def->kind == zeldb::StmtKind::Update) {
      size_t input = 0;
      for (const std::string& set : SplitTopLevel(Between(text, "  set ", " where "))) {
        const size_t eq = set.find('=');
        const Binding b = Parse(set.substr(0, eq), set.substr(eq + 1));
        if (!b.host) continue;
        ASSERT_LT(input, def->inputs.size()) << name;
        ExpectHostVariable(name, b, def->inputs[input++], def->recordSize);
      }
    }
    ++checked;
  }
  for (const zeldb::CursorDef* def : zeldb::Dbstd_Cursors()) {
    CheckSelectList(def->name, Between(def->text, "select ", "  from "), def->outputs, def->outputRecordSize);
    ++checked;
  }
  EXPECT_GE(checked, 60u);
  // Every field was held against a host variable of the record's own, but
  // the two keys of Mvs555Vrg, which are only compared with: VrgWrt after
  // them and the record's size hold their places.
  for (const RecordInfo& r : zeltest::ShopRecordInfos())
    for (const FieldInfo& f : r.fields)
      if (f.name != "VrgBer" && f.name != "VrgFld") {
        EXPECT_EQ(boundFields.count(std::string(r.record) + "." + f.name), 1u) << r.record << "." << f.name;
      }
}

}  // namespace
