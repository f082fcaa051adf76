#include "db/engine/postgres/PgEngine.h"

#include <libpq-fe.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <unordered_set>
#include <vector>

#include "db/engine/EngineCounters.h"
#include "db/engine/SavepointBook.h"
#include "util/OraStatus.h"

namespace zeldb {
namespace {

struct ResultDeleter {
  void operator()(PGresult* r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

int32_t StatusOf(const PGresult* r) {
  if (!r) return ora::kInternal;
  switch (PQresultStatus(r)) {
    case PGRES_COMMAND_OK:
    case PGRES_TUPLES_OK:
    case PGRES_SINGLE_TUPLE:
      return ora::kOk;
    default: {
      // A site's own rules raise Oracle's numbers ("ORA-20001: ..."), as
      // RAISE_APPLICATION_ERROR does; they keep their number here too.
      const char* message = PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY);
      if (message && std::strncmp(message, "ORA-", 4) == 0 && std::atoi(message + 4) > 0)
        return -std::atoi(message + 4);
      return Pg_MapSqlState(PQresultErrorField(r, PG_DIAG_SQLSTATE));
    }
  }
}

class PgConnection;

class PgStatement final : public EngineStatement {
 public:
  PgStatement(PgConnection& conn, std::string name, int params, bool streaming)
      : conn_(conn), name_(std::move(name)), values_(static_cast<size_t>(params)), streaming_(streaming) {}
  ~PgStatement() override { Reset(); }

  void BindNull(int index) override { Slot(index).reset(); }
  void BindInt(int index, int64_t value) override { Slot(index) = std::to_string(value); }
  void BindDouble(int index, double value) override {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", value);
    Slot(index) = buf;
  }
  void BindText(int index, std::string_view value) override { Slot(index) = std::string(value); }

  int32_t Step() override;
  bool ColumnIsNull(int column) override { return !row_ || PQgetisnull(row_.get(), rowIndex_, column); }
  int64_t ColumnInt(int column) override {
    return ColumnIsNull(column) ? 0 : std::strtoll(PQgetvalue(row_.get(), rowIndex_, column), nullptr, 10);
  }
  double ColumnDouble(int column) override {
    return ColumnIsNull(column) ? 0.0 : std::strtod(PQgetvalue(row_.get(), rowIndex_, column), nullptr);
  }
  std::string_view ColumnText(int column) override {
    if (ColumnIsNull(column)) return {};
    return std::string_view(PQgetvalue(row_.get(), rowIndex_, column),
                            static_cast<size_t>(PQgetlength(row_.get(), rowIndex_, column)));
  }
  int32_t RowStatus() override {
    if (!row_) return ora::kOk;
    if (!checkedKnown_) {
      for (int column = 0; column < PQnfields(row_.get()); ++column)
        if (std::strcmp(PQfname(row_.get(), column), kPgCheckedColumn) == 0) checked_.push_back(column);
      checkedKnown_ = true;
    }
    for (const int column : checked_)
      if (std::strcmp(PQgetvalue(row_.get(), rowIndex_, column), kPgRowFault) == 0) return ora::kDateFormat;
    return ora::kOk;
  }
  int64_t RowsAffected() override { return affected_; }
  void Reset() override;

 private:
  std::optional<std::string>& Slot(int index) {
    if (static_cast<size_t>(index) > values_.size()) values_.resize(static_cast<size_t>(index));
    return values_[static_cast<size_t>(index) - 1];
  }
  int32_t Execute();
  int32_t NextStreamed();

  PgConnection& conn_;
  std::string name_;
  std::vector<std::optional<std::string>> values_;
  bool streaming_;
  bool started_ = false;
  bool active_ = false;  // a streamed query still has results to read
  Result row_;
  int rowIndex_ = 0;
  int rows_ = 0;
  int64_t affected_ = 0;
  bool checkedKnown_ = false;  // checked_ found (the columns are those of the prepared text)
  std::vector<int> checked_;   // columns that may carry their row's fault
};

class PgConnection final : public EngineConnection {
 public:
  PgConnection(PGconn* conn, std::string user, std::string password, std::string conninfo, bool cursor)
      : conn_(conn),
        user_(std::move(user)),
        password_(std::move(password)),
        conninfo_(std::move(conninfo)),
        cursor_(cursor) {}
  ~PgConnection() override { PQfinish(conn_); }

  const SqlFlavor& Flavor() const override { return Pg_Flavor(); }

  int32_t Prepare(const std::string& sql, std::unique_ptr<EngineStatement>& out) override {
    EngineCounters& counters = Engine_Counters();
    ++counters.preparations;
    if (!prepared_.insert(sql).second) ++counters.repeatedPreparations;
    const std::string name = "zel_" + std::to_string(++statements_);
    Result r(PQprepare(conn_, name.c_str(), sql.c_str(), 0, nullptr));
    const int32_t status = StatusOf(r.get());
    if (status != ora::kOk) return status;
    Result described(PQdescribePrepared(conn_, name.c_str()));
    const int params = described ? PQnparams(described.get()) : 0;
    out = std::make_unique<PgStatement>(*this, name, params, cursor_);
    return ora::kOk;
  }

  int32_t BeginWrite() override {
    if (InTransaction()) return ora::kOk;
    marks_.Clear();
    pending_ = false;
    return Control("BEGIN");
  }

  int32_t Savepoint(const std::string& name) override {
    const int32_t begun = BeginWrite();
    if (begun != ora::kOk) return begun;
    const int32_t status = Control("SAVEPOINT " + name);
    if (status == ora::kOk) {
      marks_.Set(name, pending_);
      guarded_ = true;
    }
    return status;
  }

  int32_t RollbackToSavepoint(const std::string& name) override {
    if (!InTransaction()) return ora::kOk;
    int32_t status = Control("ROLLBACK TO SAVEPOINT " + name);
    if (status != ora::kOk) return status;
    Control("RELEASE SAVEPOINT " + name);
    const SavepointBook::Unwound unwound = marks_.RolledBackTo(name);
    pending_ = unwound.pendingBefore;
    // Nothing was pending before the savepoint: end the transaction, so that
    // it holds no locks while the job goes on.
    if (unwound.holdsNothing) status = Control("ROLLBACK");
    return status;
  }

  int32_t Commit() override {
    marks_.Clear();
    pending_ = false;
    if (!InTransaction()) return ora::kOk;
    ++Engine_Counters().transactionStatements;
    ++Engine_Counters().commits;
    Result r(PQexec(conn_, "COMMIT"));
    const int32_t status = StatusOf(r.get());
    // COMMIT of a transaction that had failed answers ROLLBACK: nothing was
    // committed, which must not pass for success.
    if (status == ora::kOk && std::strcmp(PQcmdStatus(r.get()), "ROLLBACK") == 0) return ora::kRolledBack;
    return status;
  }

  int32_t Rollback() override {
    marks_.Clear();
    pending_ = false;
    if (!InTransaction()) return ora::kOk;
    return Control("ROLLBACK");
  }

  int32_t ExecDirect(const std::string& sql) override { return Exec(sql); }

  int32_t OpenCursorConnection(std::unique_ptr<EngineConnection>& out) override;

  // For PgStatement: runs one prepared statement on the main connection
  // with Oracle's statement-level rollback.
  int32_t RunGuarded(const std::string& name, const std::vector<const char*>& values, Result& out) {
    const bool inTxn = InTransaction();
    const bool implicitSavepoint = inTxn && !guarded_;
    guarded_ = false;
    if (implicitSavepoint) Control("SAVEPOINT zel_statement");
    out.reset(PQexecPrepared(conn_, name.c_str(), static_cast<int>(values.size()), values.data(), nullptr, nullptr,
                             0));
    const int32_t status = StatusOf(out.get());
    if (implicitSavepoint) {
      if (status != ora::kOk) Control("ROLLBACK TO SAVEPOINT zel_statement");
      Control("RELEASE SAVEPOINT zel_statement");
    }
    if (status == ora::kOk && inTxn && out && PQcmdTuples(out.get())[0] != '\0' &&
        std::strtoll(PQcmdTuples(out.get()), nullptr, 10) > 0 && PQnfields(out.get()) == 0)
      pending_ = true;
    return status;
  }

  PGconn* Raw() { return conn_; }


 private:
  bool InTransaction() const { return PQtransactionStatus(conn_) != PQTRANS_IDLE; }

  // Transaction control of the engine itself, counted for the benchmark.
  int32_t Control(const std::string& sql) {
    ++Engine_Counters().transactionStatements;
    return Exec(sql);
  }

  int32_t Exec(const std::string& sql) {
    Result r(PQexec(conn_, sql.c_str()));
    return StatusOf(r.get());
  }

  PGconn* conn_;
  std::string user_, password_, conninfo_;
  bool cursor_;
  int statements_ = 0;
  std::unordered_set<std::string> prepared_;  // texts prepared on this connection
  SavepointBook marks_;
  bool pending_ = false;  // the open transaction holds changed rows
  bool guarded_ = false;  // the next statement follows an explicit savepoint
};

int32_t PgStatement::Step() {
  if (!started_) {
    started_ = true;
    return streaming_ ? NextStreamed() : Execute();
  }
  if (streaming_) return NextStreamed();
  if (++rowIndex_ < rows_) return ora::kOk;
  return ora::kNoRow;
}

int32_t PgStatement::Execute() {
  std::vector<const char*> values;
  values.reserve(values_.size());
  for (const auto& v : values_) values.push_back(v ? v->c_str() : nullptr);
  Result r;
  const int32_t status = conn_.RunGuarded(name_, values, r);
  if (status != ora::kOk) return status;
  if (PQresultStatus(r.get()) == PGRES_COMMAND_OK) {
    affected_ = std::strtoll(PQcmdTuples(r.get()), nullptr, 10);
    return ora::kNoRow;
  }
  rows_ = PQntuples(r.get());
  rowIndex_ = 0;
  row_ = std::move(r);
  return rows_ > 0 ? ora::kOk : ora::kNoRow;
}

int32_t PgStatement::NextStreamed() {
  PGconn* pg = conn_.Raw();
  if (!active_) {
    std::vector<const char*> values;
    for (const auto& v : values_) values.push_back(v ? v->c_str() : nullptr);
    if (!PQsendQueryPrepared(pg, name_.c_str(), static_cast<int>(values.size()), values.data(), nullptr, nullptr,
                             0))
      return ora::kNotConnected;
    PQsetSingleRowMode(pg);
    active_ = true;
  }
  row_.reset(PQgetResult(pg));
  rowIndex_ = 0;
  if (!row_) {
    active_ = false;
    return ora::kNoRow;
  }
  const ExecStatusType kind = PQresultStatus(row_.get());
  if (kind == PGRES_SINGLE_TUPLE) return ora::kOk;
  const int32_t status = kind == PGRES_TUPLES_OK || kind == PGRES_COMMAND_OK ? ora::kNoRow : StatusOf(row_.get());
  row_.reset();
  Pg_FinishQuery(pg);  // the query is over: only its closing NULL is left
  active_ = false;
  return status;
}

void PgStatement::Reset() {
  if (active_) {
    Pg_FinishQuery(conn_.Raw());
    active_ = false;
  }
  row_.reset();
  started_ = false;
  rows_ = rowIndex_ = 0;
  affected_ = 0;
  for (auto& v : values_) v.reset();
}

int32_t Open(const std::string& user, const std::string& password, const std::string& conninfo, bool cursor,
             std::unique_ptr<EngineConnection>& out) {
  std::vector<const char*> keys{"dbname"};
  std::vector<const char*> values{conninfo.c_str()};
  if (!user.empty()) {
    keys.push_back("user");
    values.push_back(user.c_str());
  }
  if (!password.empty()) {
    keys.push_back("password");
    values.push_back(password.c_str());
  }
  keys.push_back("connect_timeout");
  values.push_back("10");
  keys.push_back(nullptr);
  values.push_back(nullptr);
  PGconn* conn = PQconnectdbParams(keys.data(), values.data(), 1);
  if (!conn) return ora::kInternal;
  if (PQstatus(conn) != CONNECTION_OK) {
    const int32_t status = Pg_MapConnectFailure(PQerrorMessage(conn));
    PQfinish(conn);
    return status;
  }
  auto connection = std::make_unique<PgConnection>(conn, user, password, conninfo, cursor);
  if (connection->ExecDirect(Pg_SessionSetup()) != ora::kOk) return ora::kInternal;
  out = std::move(connection);
  return ora::kOk;
}

int32_t PgConnection::OpenCursorConnection(std::unique_ptr<EngineConnection>& out) {
  return Open(user_, password_, conninfo_, true, out);
}

}  // namespace

void Pg_FinishQuery(PGconn* conn) {
  constexpr int kDrainBeforeCancel = 256;
  int drained = 0;
  while (Result rest{PQgetResult(conn)}) {
    if (++drained == kDrainBeforeCancel) {
      if (PGcancel* cancel = PQgetCancel(conn)) {
        char err[256];
        PQcancel(cancel, err, sizeof err);
        PQfreeCancel(cancel);
      }
    }
  }
}

int32_t Pg_Connect(const std::string& user, const std::string& password, const std::string& conninfo,
                   std::unique_ptr<EngineConnection>& out) {
  return Open(user, password, conninfo, false, out);
}

}  // namespace zeldb
