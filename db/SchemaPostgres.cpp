#include <string>
#include <vector>

#include "db/Schema.h"

namespace zeldb {
namespace {

std::string Qualified(const TableSpec& t) { return std::string(t.masterSchema ? "MvSystem." : "") + t.name; }

bool IsKey(const TableSpec& t, const char* column) {
  for (const char* k : t.primaryKey)
    if (std::string(k) == column) return true;
  return false;
}

std::string Column(const TableSpec& t, const ColumnSpec& c) {
  std::string s = c.name;
  switch (c.kind) {
    case ColumnKind::Text:
      s += " varchar(" + std::to_string(c.width) + ")";
      break;
    case ColumnKind::Int:
    case ColumnKind::Short:
      s += " integer";
      break;
    case ColumnKind::Double:
      s += " double precision";
      break;
    case ColumnKind::Day:
    case ColumnKind::Instant:
      s += " timestamp(0)";
      break;
  }
  if (c.notNull || IsKey(t, c.name)) s += " NOT NULL";
  return s;
}

}  // namespace

std::vector<std::string> Schema_PostgresDdl() {
  std::vector<std::string> ddl{"CREATE SCHEMA IF NOT EXISTS MvSystem"};
  for (const TableSpec& t : Schema_Tables()) {
    std::string s = "CREATE TABLE IF NOT EXISTS " + Qualified(t) + " (\n";
    for (const ColumnSpec& c : t.columns) s += "  " + Column(t, c) + ",\n";
    s += "  PRIMARY KEY (";
    for (size_t i = 0; i < t.primaryKey.size(); ++i) s += (i ? ", " : "") + std::string(t.primaryKey[i]);
    s += "))";
    ddl.push_back(s);
    for (const auto& index : t.indexes) {
      std::string name = std::string(t.name) + "_";
      std::string cols;
      for (size_t i = 0; i < index.size(); ++i) {
        name += index[i];
        cols += (i ? ", " : "") + std::string(index[i]);
      }
      ddl.push_back("CREATE INDEX IF NOT EXISTS " + name + " ON " + Qualified(t) + " (" + cols + ")");
    }
  }
  // Some statements name the calendar without its schema.
  ddl.push_back("CREATE OR REPLACE VIEW Mvs133Bak AS SELECT * FROM MvSystem.Mvs133Bak");
  return ddl;
}

}  // namespace zeldb
