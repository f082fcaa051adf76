// The floor on libpq (FloorEngine.h): each statement prepared once on the
// server, run with PQexecPrepared in text format; each cursor on a
// connection of its own, its rows streamed in single-row mode and a cursor
// closed early ended as the engine ends it (Pg_FinishQuery); each write in
// autocommit.
#include <libpq-fe.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "db/engine/Dialect.h"
#include "db/engine/postgres/PgEngine.h"
#include "tools/zelbench/FloorEngine.h"

namespace zelbench {
namespace {

class PgStatement final : public FloorStatement {
 public:
  PgStatement(PGconn* conn, std::string handle, int parameters)
      : conn_(conn), handle_(std::move(handle)), values_(static_cast<size_t>(parameters)) {}
  ~PgStatement() override { Reset(); }

  void Text(int index, std::string_view v) override {
    if (v.empty())
      values_[static_cast<size_t>(index - 1)].reset();
    else
      values_[static_cast<size_t>(index - 1)].emplace(v);
  }
  void Int(int index, int64_t v) override { values_[static_cast<size_t>(index - 1)] = std::to_string(v); }

  bool Next() override {
    if (cursor) return NextStreamed();
    if (!started_) {
      started_ = true;
      Clear();
      result_ = Run();
      row_ = 0;
      return PQresultStatus(result_) == PGRES_TUPLES_OK && PQntuples(result_) > 0;
    }
    return result_ && ++row_ < PQntuples(result_);
  }
  void TouchRow() override {}  // the values arrived as text
  int Columns() const override { return result_ ? PQnfields(result_) : 0; }
  std::string_view Column(int c) const override {
    if (!result_ || row_ >= PQntuples(result_) || PQgetisnull(result_, row_, c)) return {};
    return std::string_view(PQgetvalue(result_, row_, c), static_cast<size_t>(PQgetlength(result_, row_, c)));
  }
  void Reset() override {
    if (streaming_) {
      zeldb::Pg_FinishQuery(conn_);
      streaming_ = false;
    }
    Clear();
    started_ = false;
  }

  bool Execute() override {
    Clear();
    result_ = Run();
    const bool ok = PQresultStatus(result_) == PGRES_COMMAND_OK;
    if (!ok) error_ = PQresultErrorMessage(result_);
    Clear();
    return ok;
  }
  std::string Error() const override { return error_; }

 private:
  std::vector<const char*> Values() const {
    std::vector<const char*> v;
    v.reserve(values_.size());
    for (const auto& value : values_) v.push_back(value ? value->c_str() : nullptr);
    return v;
  }
  PGresult* Run() {
    const std::vector<const char*> v = Values();
    return PQexecPrepared(conn_, handle_.c_str(), static_cast<int>(v.size()), v.data(), nullptr, nullptr, 0);
  }
  void Clear() {
    PQclear(result_);
    result_ = nullptr;
    row_ = 0;
  }

  bool NextStreamed() {
    if (!started_) {
      started_ = true;
      const std::vector<const char*> v = Values();
      if (!PQsendQueryPrepared(conn_, handle_.c_str(), static_cast<int>(v.size()), v.data(), nullptr, nullptr, 0))
        return false;
      PQsetSingleRowMode(conn_);
      streaming_ = true;
    }
    if (!streaming_) return false;
    Clear();
    result_ = PQgetResult(conn_);
    if (result_ && PQresultStatus(result_) == PGRES_SINGLE_TUPLE) return true;
    // The end of the rows (or a failure): free the connection for the next open.
    Clear();
    zeldb::Pg_FinishQuery(conn_);
    streaming_ = false;
    return false;
  }

  PGconn* conn_;
  std::string handle_;
  std::vector<std::optional<std::string>> values_;
  PGresult* result_ = nullptr;
  int row_ = 0;
  bool started_ = false;
  bool streaming_ = false;
  std::string error_;
};

class PgDatabase final : public FloorDatabase {
 public:
  explicit PgDatabase(std::string conninfo) : conninfo_(std::move(conninfo)) {}
  ~PgDatabase() override {
    statements_.clear();
    for (PGconn* c : connections_) PQfinish(c);
  }

  bool Start() { return (main_ = Connect()) != nullptr; }

  FloorStatement* Prepare(const char* name, const char* text) override { return Add(main_, name, text, false); }
  FloorStatement* PrepareCursor(const char* name, const char* text) override {
    PGconn* c = Connect();
    return c ? Add(c, name, text, true) : nullptr;
  }

 private:
  PGconn* Connect() {
    PGconn* c = PQconnectdb(conninfo_.c_str());
    if (PQstatus(c) != CONNECTION_OK) {
      std::fprintf(stderr, "zelbench floor: cannot connect: %s", PQerrorMessage(c));
      PQfinish(c);
      return nullptr;
    }
    connections_.push_back(c);
    PQclear(PQexec(c, "SET client_encoding TO 'UTF8'; SET client_min_messages TO warning"));
    return c;
  }

  FloorStatement* Add(PGconn* c, const char* name, const char* text, bool cursor) {
    const zeldb::Translation tr = zeldb::Translate(text, zeldb::Pg_Flavor());
    const std::string handle = "floor_" + std::to_string(statements_.size() + 1);
    PGresult* prepared = tr.ok ? PQprepare(c, handle.c_str(), tr.sql.c_str(), 0, nullptr) : nullptr;
    const bool ok = PQresultStatus(prepared) == PGRES_COMMAND_OK;
    PQclear(prepared);
    PGresult* described = ok ? PQdescribePrepared(c, handle.c_str()) : nullptr;
    const int parameters = described ? PQnparams(described) : 0;
    PQclear(described);
    if (!ok) {
      std::fprintf(stderr, "zelbench floor: cannot prepare %s: %s", name, tr.ok ? PQerrorMessage(c) : "\n");
      return nullptr;
    }
    statements_.push_back(std::make_unique<PgStatement>(c, handle, parameters));
    statements_.back()->name = name;
    statements_.back()->cursor = cursor;
    return statements_.back().get();
  }

  std::string conninfo_;
  PGconn* main_ = nullptr;
  std::vector<PGconn*> connections_;
  std::vector<std::unique_ptr<PgStatement>> statements_;
};

}  // namespace

std::unique_ptr<FloorDatabase> FloorPg_Open(const std::string& conninfo) {
  auto db = std::make_unique<PgDatabase>(conninfo);
  if (!db->Start()) return nullptr;
  return db;
}

}  // namespace zelbench
