// The tables this program touches, described once as data, and their DDL.
//
// Every table of the download table, the personnel master data, the calendar
// and the shop-floor tables is one TableSpec: its columns with their kind
// and text width (this list is the one place where the widths are written
// down), its primary key and the indexes that the reads and cursors need.
// Schema_Ddl renders the statements that create them for an engine; how a
// column's type, a schema and a qualified name are written is the engine's
// (its SqlFlavor, db/engine/Dialect.h).
#pragma once

#include <string>
#include <vector>

#include "db/engine/Dialect.h"

namespace zeldb {

// The shared schema of the master tables.
constexpr const char* kMasterSchema = "MvSystem";

enum class ColumnKind { Text, Int, Short, Double, Day, Instant };

struct ColumnSpec {
  const char* name;
  ColumnKind kind;
  int width = 0;         // characters, for Text
  bool notNull = false;  // key columns are always NOT NULL
};

struct TableSpec {
  const char* name;  // unqualified, e.g. "Mvs301Asw"
  bool masterSchema; // belongs to the shared schema MvSystem
  std::vector<ColumnSpec> columns;
  std::vector<const char*> primaryKey;
  std::vector<std::vector<const char*>> indexes;
  bool unqualifiedToo = false;  // a master table that some statements name without its schema
};

const std::vector<TableSpec>& Schema_Tables();

// Whether `column` belongs to the table's primary key (key columns are NOT NULL).
bool Schema_IsKeyColumn(const TableSpec& table, const char* column);

// The table's name as the engine's statements write it: qualified with
// kMasterSchema for a master table (SQLite keeps every table in one file
// and drops the schema).
std::string Schema_TableName(const TableSpec& table, const SqlFlavor& flavor);

// The statements that create every table and index for the engine of
// `flavor`, idempotent ("if not exists"): first the master schema where the
// engine has schemas, then each table with its indexes, then what lets the
// unqualified names of master tables reach them (on PostgreSQL a view
// public.Mvs133Bak of MvSystem.Mvs133Bak).
std::vector<std::string> Schema_Ddl(const SqlFlavor& flavor);

}  // namespace zeldb
