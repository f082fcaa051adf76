// The tables this program touches, described once as data, and their DDL.
//
// Every table of the download table, the personnel master data, the calendar
// and the shop-floor tables is one TableSpec: its columns with their kind
// and text width (this list is the one place where the widths are written
// down), its primary key and the indexes that the reads and cursors need.
// Schema_Ddl renders the statements that create them for an engine.
//
// SQLite rendering: texts are TEXT with a named length check "len_<column>"
// (a value too long fails with -12899, as in Oracle); days and instants are
// TEXT 'YYYY-MM-DD HH:MM:SS' with a format check "fmt_<column>", so that
// nothing another program writes can break the day comparisons.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zeldb {

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
};

const std::vector<TableSpec>& Schema_Tables();

// Whether `column` belongs to the table's primary key (key columns are NOT NULL).
bool Schema_IsKeyColumn(const TableSpec& table, const char* column);

// CREATE TABLE and CREATE INDEX statements for every table, with the
// engine's table names and column definitions; the engines' DDL below is
// built with it.
std::vector<std::string> Schema_RenderTables(const std::function<std::string(const TableSpec&)>& tableName,
                                             const std::function<std::string(const TableSpec&, const ColumnSpec&)>&
                                                 columnDefinition);

// The statements that create every table and index on SQLite (idempotent:
// "if not exists").
std::vector<std::string> Schema_SqliteDdl();

// The same on PostgreSQL: the schema MvSystem for the shared master tables,
// the job's own tables in the connection's default schema, and a view that
// lets the unqualified name Mvs133Bak reach MvSystem.Mvs133Bak. Texts are
// varchar(n) COLLATE "C" (compared byte by byte, as on SQLite, whatever the
// database's locale), days and instants timestamp(0), 16-bit columns integer (the
// 16-bit rule is the host variable's), floating point double precision.
std::vector<std::string> Schema_PostgresDdl();

}  // namespace zeldb
