#include <string>
#include <vector>

#include "db/schema/Schema.h"

namespace zeldb {
namespace {

std::string Qualified(const TableSpec& t) { return std::string(t.masterSchema ? "MvSystem." : "") + t.name; }

std::string Column(const TableSpec& t, const ColumnSpec& c) {
  std::string s = c.name;
  switch (c.kind) {
    case ColumnKind::Text:
      // Texts compare byte by byte, whatever the database's locale: ranges
      // and order are those of the statements, not of a dictionary.
      s += " varchar(" + std::to_string(c.width) + ") COLLATE \"C\"";
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
  if (c.notNull || Schema_IsKeyColumn(t, c.name)) s += " NOT NULL";
  return s;
}

}  // namespace

std::vector<std::string> Schema_PostgresDdl() {
  std::vector<std::string> ddl{"CREATE SCHEMA IF NOT EXISTS MvSystem"};
  for (std::string& s : Schema_RenderTables(Qualified, Column)) ddl.push_back(std::move(s));
  // Some statements name the calendar without its schema.
  ddl.push_back("CREATE OR REPLACE VIEW Mvs133Bak AS SELECT * FROM MvSystem.Mvs133Bak");
  return ddl;
}

}  // namespace zeldb
