#include "tools/zelbench/PgCopy.h"

#include <libpq-fe.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "db/engine/postgres/PgEngine.h"
#include "db/schema/Schema.h"
#include "tools/zelbench/Sql.h"

namespace zelbench {
namespace {

struct Finish {
  void operator()(PGconn* c) const { PQfinish(c); }
};
using Connection = std::unique_ptr<PGconn, Finish>;

Connection Connect(const std::string& conninfo) {
  Connection c(PQconnectdb(conninfo.c_str()));
  if (PQstatus(c.get()) != CONNECTION_OK) {
    std::fprintf(stderr, "zelbench: cannot connect (%s): %s", conninfo.c_str(), PQerrorMessage(c.get()));
    return nullptr;
  }
  PQclear(PQexec(c.get(), "SET client_min_messages TO warning; SET DateStyle TO ISO, YMD"));
  return c;
}

bool Exec(PGconn* c, const std::string& sql) {
  PGresult* r = PQexec(c, sql.c_str());
  const ExecStatusType s = PQresultStatus(r);
  const bool ok = s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
  if (!ok) std::fprintf(stderr, "zelbench: %s\n  in: %s\n", PQresultErrorMessage(r), sql.c_str());
  PQclear(r);
  return ok;
}

std::string TableName(const zeldb::TableSpec& t) { return zeldb::Schema_TableName(t, zeldb::Pg_Flavor()); }

std::string ColumnList(const zeldb::TableSpec& t) {
  std::string list;
  for (const zeldb::ColumnSpec& c : t.columns) {
    if (!list.empty()) list += ',';
    list += c.name;
  }
  return list;
}

// One value in COPY's text format.
void AppendCopyValue(std::string& line, const unsigned char* value, int size) {
  if (!value) {
    line += "\\N";
    return;
  }
  for (int i = 0; i < size; ++i) {
    switch (value[i]) {
      case '\\': line += "\\\\"; break;
      case '\t': line += "\\t"; break;
      case '\n': line += "\\n"; break;
      case '\r': line += "\\r"; break;
      default: line += static_cast<char>(value[i]);
    }
  }
}

// Every row of one table from SQLite into the server, with COPY.
bool CopyTable(SqlDb& lite, PGconn* pg, const zeldb::TableSpec& t) {
  const std::string columns = ColumnList(t);
  SqlStatement rows = lite.Prepare("SELECT " + columns + " FROM " + t.name);
  if (!rows.ok()) return false;
  PGresult* started = PQexec(pg, ("COPY " + TableName(t) + " (" + columns + ") FROM STDIN").c_str());
  const bool copying = PQresultStatus(started) == PGRES_COPY_IN;
  PQclear(started);
  if (!copying) {
    std::fprintf(stderr, "zelbench: COPY %s: %s", t.name, PQerrorMessage(pg));
    return false;
  }
  std::string buffer;
  bool ok = true;
  const int n = static_cast<int>(t.columns.size());
  while (ok && rows.Step() == SQLITE_ROW) {
    for (int c = 0; c < n; ++c) {
      if (c) buffer += '\t';
      AppendCopyValue(buffer, sqlite3_column_text(rows.get(), c), sqlite3_column_bytes(rows.get(), c));
    }
    buffer += '\n';
    if (buffer.size() >= (1 << 20)) {
      ok = PQputCopyData(pg, buffer.data(), static_cast<int>(buffer.size())) == 1;
      buffer.clear();
    }
  }
  if (ok && !buffer.empty()) ok = PQputCopyData(pg, buffer.data(), static_cast<int>(buffer.size())) == 1;
  ok = PQputCopyEnd(pg, ok ? nullptr : "stopped") == 1 && ok;
  PGresult* r = PQgetResult(pg);
  ok = ok && PQresultStatus(r) == PGRES_COMMAND_OK;
  if (!ok) std::fprintf(stderr, "zelbench: COPY %s: %s", t.name, PQresultErrorMessage(r));
  PQclear(r);
  while (PGresult* rest = PQgetResult(pg)) PQclear(rest);
  return ok;
}

// Drops database `name` and creates it anew (`options` after its name).
bool Recreate(const std::string& server, const std::string& name, const std::string& options) {
  Connection admin = Connect(PgDatabase(server, "postgres"));
  return admin && Exec(admin.get(), "DROP DATABASE IF EXISTS " + name + " WITH (FORCE)") &&
         Exec(admin.get(), "CREATE DATABASE " + name + options);
}

const zeldb::TableSpec* FindTable(const char* name) {
  for (const zeldb::TableSpec& t : zeldb::Schema_Tables())
    if (std::strcmp(t.name, name) == 0) return &t;
  return nullptr;
}

}  // namespace

std::string PgDatabase(const std::string& server, const std::string& name) { return server + " dbname=" + name; }

bool PgLoad(const std::string& server, const std::string& name, const std::string& file) {
  SqlDb lite(file);
  if (!lite.ok()) {
    std::fprintf(stderr, "zelbench: cannot open %s: %s\n", file.c_str(), lite.error().c_str());
    return false;
  }
  if (!Recreate(server, name, "")) return false;
  Connection pg = Connect(PgDatabase(server, name));
  if (!pg) return false;
  for (const std::string& ddl : zeldb::Schema_Ddl(zeldb::Pg_Flavor()))
    if (!Exec(pg.get(), ddl)) return false;
  for (const zeldb::TableSpec& t : zeldb::Schema_Tables())
    if (!CopyTable(lite, pg.get(), t)) return false;
  return Exec(pg.get(), "VACUUM ANALYZE");
}

bool PgCopyDatabase(const std::string& server, const std::string& from, const std::string& name) {
  return Recreate(server, name, " TEMPLATE " + from + " STRATEGY FILE_COPY");
}

bool PgSavePrv(const std::string& server, const std::string& name, const std::string& file) {
  const zeldb::TableSpec* prv = FindTable("Mvs510Prv");
  SqlDb lite(file);
  Connection pg = Connect(PgDatabase(server, name));
  if (!prv || !lite.ok() || !pg) return false;
  const std::string columns = ColumnList(*prv);
  std::string marks;
  for (size_t i = 0; i < prv->columns.size(); ++i) marks += i ? ",?" : "?";
  if (!lite.Exec("BEGIN; DELETE FROM Mvs510Prv")) return false;
  SqlStatement insert = lite.Prepare("INSERT INTO Mvs510Prv (" + columns + ") VALUES (" + marks + ")");
  if (!insert.ok() || !PQsendQuery(pg.get(), ("SELECT " + columns + " FROM Mvs510Prv").c_str())) return false;
  PQsetSingleRowMode(pg.get());
  bool ok = true;
  while (PGresult* r = PQgetResult(pg.get())) {
    const ExecStatusType s = PQresultStatus(r);
    if (s == PGRES_SINGLE_TUPLE && ok) {
      for (int c = 0; c < PQnfields(r); ++c) {
        const zeldb::ColumnKind kind = prv->columns[static_cast<size_t>(c)].kind;
        if (PQgetisnull(r, 0, c))
          insert.Null(c + 1);
        else if (kind == zeldb::ColumnKind::Int || kind == zeldb::ColumnKind::Short)
          insert.Int(c + 1, std::strtoll(PQgetvalue(r, 0, c), nullptr, 10));
        else
          insert.Text(c + 1, std::string_view(PQgetvalue(r, 0, c), static_cast<size_t>(PQgetlength(r, 0, c))));
      }
      if (insert.Run() != SQLITE_DONE) {
        std::fprintf(stderr, "zelbench: saving the download table: %s\n", sqlite3_errmsg(lite.get()));
        ok = false;
      }
    } else if (s != PGRES_SINGLE_TUPLE && s != PGRES_TUPLES_OK) {
      std::fprintf(stderr, "zelbench: reading the download table: %s", PQresultErrorMessage(r));
      ok = false;
    }
    PQclear(r);
  }
  return ok && lite.Exec("COMMIT");
}

}  // namespace zelbench
