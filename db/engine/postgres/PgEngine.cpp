#include "db/engine/postgres/PgEngine.h"

#include <libpq-fe.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <unordered_set>
#include <utility>
#include <vector>

#include "db/engine/EngineCounters.h"
#include "db/engine/RaisedStatus.h"
#include "db/engine/PolicyConnection.h"
#include "db/engine/TransactionPolicy.h"
#include "db/engine/EarlyAnswers.h"
#include "db/engine/postgres/PgPipeline.h"
#include "util/OraStatus.h"

namespace zeldb {
namespace {

using Result = PgResult;

// The values of a single-row result, as the early answers compare and send them.
AheadValues RowValues(const PGresult* row) {
  AheadValues values(static_cast<size_t>(PQnfields(row)));
  for (int c = 0; c < PQnfields(row); ++c)
    if (!PQgetisnull(row, 0, c)) values[static_cast<size_t>(c)].emplace(PQgetvalue(row, 0, c), PQgetlength(row, 0, c));
  return values;
}

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
      if (const int32_t raised = message ? Engine_RaisedStatus(message) : 0) return raised;
      return Pg_MapSqlState(PQresultErrorField(r, PG_DIAG_SQLSTATE));
    }
  }
}

// The server's message of a failed result in one line (without the
// "ERROR:" its text begins with), else the client's message.
std::string FailureMessage(const PGresult* r, const PGconn* conn) {
  const char* primary = r ? PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
  std::string text = primary ? primary : PQerrorMessage(conn);
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

class PgConnection;

class PgStatement final : public EngineStatement {
 public:
  PgStatement(PgConnection& conn, std::string name, int params, bool streaming, EarlyAnswers* ahead, int aheadId)
      : conn_(conn),
        name_(std::move(name)),
        values_(static_cast<size_t>(params)),
        streaming_(streaming),
        ahead_(ahead),
        aheadId_(aheadId) {}
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
  int32_t StartStreamed();
  int32_t NextStreamed();
  void ReadAhead();
  void EndDriver();

  PgConnection& conn_;
  std::string name_;
  AheadValues values_;
  bool streaming_;
  EarlyAnswers* ahead_;  // nullptr: nothing is sent ahead
  int aheadId_;
  bool started_ = false;
  bool active_ = false;  // a streamed query still has results to read
  // Results taken off the connection ahead of the fetches (a driver's rows),
  // or a cursor's early answer; the fetches take them first.
  std::deque<PgResult> buffered_;
  uint64_t driver_ = 0;  // as a driver of look-ups sent ahead (0: none)
  uint64_t rowsRead_ = 0, rowsTaken_ = 0;
  Result row_;
  int rowIndex_ = 0;
  int rows_ = 0;
  int64_t affected_ = 0;
  bool checkedKnown_ = false;  // checked_ found (the columns are those of the prepared text)
  std::vector<int> checked_;   // columns that may carry their row's fault
};

class PgConnection final : public PolicyConnection {
 public:
  PgConnection(PGconn* conn, std::string user, std::string password, std::string conninfo, bool cursor,
               std::shared_ptr<EarlyAnswers> ahead)
      : conn_(conn),
        user_(std::move(user)),
        password_(std::move(password)),
        conninfo_(std::move(conninfo)),
        cursor_(cursor),
        ahead_(std::move(ahead)) {}
  ~PgConnection() override { PQfinish(conn_); }

  const SqlFlavor& Flavor() const override { return Pg_Flavor(); }

  int32_t Prepare(const std::string& sql, std::unique_ptr<EngineStatement>& out) override {
    EngineCounters& counters = Engine_Counters();
    ++counters.preparations;
    if (!prepared_.insert(sql).second) ++counters.repeatedPreparations;
    const std::string name = "zel_" + std::to_string(++statements_);
    Result r(PQprepare(conn_, name.c_str(), sql.c_str(), 0, nullptr));
    const int32_t status = Noted(r.get());
    if (status != ora::kOk) return status;
    Result described(PQdescribePrepared(conn_, name.c_str()));
    const int params = described ? PQnparams(described.get()) : 0;
    const int aheadId = ahead_ ? ahead_->Register(sql, cursor_) : -1;
    if (ahead_ && !cursor_ && ahead_->WrittenTable(aheadId) && !WritesStayInTable(*ahead_->WrittenTable(aheadId)))
      ahead_->MarkWidespreadWrites(aheadId);
    out = std::make_unique<PgStatement>(*this, name, params, cursor_, ahead_.get(), aheadId);
    return ora::kOk;
  }

  // What runs here is not described by the statement table: no early answer
  // may be served past it.
  int32_t ExecDirect(const std::string& sql) override {
    if (ahead_) ahead_->DropAll();
    return Exec(sql);
  }

  int32_t OpenCursorConnection(std::unique_ptr<EngineConnection>& out) override;

  // For PgStatement: runs one prepared statement on the main connection
  // with Oracle's statement-level rollback.
  int32_t RunGuarded(const std::string& name, const std::vector<const char*>& values, Result& out) {
    const int32_t status = policy_.RunStatement(
        [&] { return deferred_.empty() ? ExecPrepared(name, values, out) : ExecWithDeferred(name, values, out); });
    // Rows changed by a write (the policy counts none once a commit that
    // travelled with the write has ended its transaction).
    if (status == ora::kOk && out && PQcmdTuples(out.get())[0] != '\0' &&
        std::strtoll(PQcmdTuples(out.get()), nullptr, 10) > 0 && PQnfields(out.get()) == 0)
      policy_.Changed();
    return status;
  }

  // The status of `r`; a failure's message is kept for TakeFailureMessage.
  int32_t Noted(const PGresult* r) {
    int32_t status = StatusOf(r);
    // Once the connection is gone, every statement says so, whatever libpq
    // answered (no result at all for a query it could not send), as Oracle's
    // client does.
    if (status != ora::kOk && PQstatus(conn_) == CONNECTION_BAD) status = ora::kNotConnected;
    if (status != ora::kOk) lastFailure_ = FailureMessage(r, conn_);
    return status;
  }

  std::string TakeFailureMessage() override { return std::exchange(lastFailure_, std::string()); }

  // From the catalogue, the name resolved as the statements resolve it
  // (search path, case folding); varchar(n) and char(n) have a width.
  int32_t ColumnWidth(const std::string& table, const std::string& column, int& width) override {
    width = 0;
    const char* values[] = {table.c_str(), column.c_str()};
    Result r(PQexecParams(conn_,
                          "select case when a.atttypid in ('varchar'::regtype, 'bpchar'::regtype) and a.atttypmod > 4 "
                          "then a.atttypmod - 4 else 0 end from pg_attribute a where a.attrelid = to_regclass($1) "
                          "and a.attname = lower($2) and a.attnum > 0 and not a.attisdropped",
                          2, nullptr, values, nullptr, nullptr, 0));
    const int32_t status = Noted(r.get());
    if (status != ora::kOk) return status;
    if (PQntuples(r.get()) == 0) return ora::kNoRow;
    width = std::atoi(PQgetvalue(r.get(), 0, 0));
    return ora::kOk;
  }

  PGconn* Raw() { return conn_; }
  EarlyAnswers* Ahead() override { return ahead_.get(); }
  bool InTransaction() const override { return beginDeferred_ || PQtransactionStatus(conn_) != PQTRANS_IDLE; }

 private:
  // The transaction control statements of the policy. With look-ups sent
  // ahead, a begin or savepoint is held back and travels with the statement
  // that follows (see ExecWithDeferred), and the savepoint that opens a
  // transaction is left out: on the server it would make the write a
  // subtransaction of its own.
  int32_t Control(TxnControl what, const std::string& name, bool withNextStatement) override {
    switch (what) {
      case TxnControl::Begin:
        commitDeferred_ = false;
        if (!ahead_ || !withNextStatement) return Control("BEGIN");
        ++Engine_Counters().transactionStatements;
        deferred_.push_back("BEGIN");
        beginDeferred_ = true;
        return ora::kOk;
      case TxnControl::Savepoint:
        if (!ahead_ || !withNextStatement) return Control("SAVEPOINT " + name);
        ++Engine_Counters().transactionStatements;
        deferred_.push_back("SAVEPOINT " + name);
        return ora::kOk;
      case TxnControl::RollbackTo:
        commitDeferred_ = false;
        return Control("ROLLBACK TO SAVEPOINT " + name);
      case TxnControl::Release:
        return Control("RELEASE SAVEPOINT " + name);
      case TxnControl::Commit: {
        commitDeferred_ = false;
        ++Engine_Counters().transactionStatements;
        ++Engine_Counters().commits;
        Result r(PQexec(conn_, WithDeferred("COMMIT").c_str()));
        if (ahead_) ahead_->TransactionEnded();
        return CommitStatus(r.get());
      }
      case TxnControl::Rollback: {
        commitDeferred_ = false;
        const int32_t status = Control("ROLLBACK");
        if (ahead_) ahead_->TransactionEnded();
        return status;
      }
    }
    return ora::kInternal;
  }
  // A failed statement leaves a PostgreSQL transaction aborted.
  bool KeepsTransactionAfterFailure() const override { return false; }
  bool LeavesOutSavepointAtStart() const override { return ahead_ != nullptr; }
  // With nothing pending before it, the commit that follows a successful
  // write travels in the write's pipeline too: the transaction then holds
  // this write alone, so the commit is the one the caller makes next. When
  // the write fails, the server skips that commit with the rest of the
  // pipeline and the savepoint is rolled back as always.
  void CommitWithNextStatement() override {
    if (ahead_) commitDeferred_ = true;
  }

  int32_t ExecPrepared(const std::string& name, const std::vector<const char*>& values, Result& out) {
    out.reset(PQexecPrepared(conn_, name.c_str(), static_cast<int>(values.size()), values.data(), nullptr, nullptr,
                             0));
    return Noted(out.get());
  }

  // The begin and savepoint held back travel with the statement they guard,
  // in one pipeline: one round trip instead of two or three (four, with the
  // commit of a write that is committed at once). When the begin or the
  // savepoint fails the statement is not run; the transaction is then rolled
  // back, so that the session goes on as after any failed statement.
  int32_t ExecWithDeferred(const std::string& name, const std::vector<const char*>& values, Result& out) {
    std::vector<std::string> controls;
    controls.swap(deferred_);
    beginDeferred_ = false;
    const bool withCommit = std::exchange(commitDeferred_, false);
    if (PQenterPipelineMode(conn_) != 1) {
      const int32_t status = Exec(WithDeferred(controls));
      return status != ora::kOk ? Failed(status) : ExecPrepared(name, values, out);
    }
    bool sent = true;
    for (const std::string& control : controls)
      sent = sent && PQsendQueryParams(conn_, control.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0) == 1;
    sent = sent && PQsendQueryPrepared(conn_, name.c_str(), static_cast<int>(values.size()), values.data(), nullptr,
                                       nullptr, 0) == 1;
    if (withCommit) {
      sent = sent && PQsendQueryParams(conn_, "COMMIT", 0, nullptr, nullptr, nullptr, nullptr, 0) == 1;
      ++Engine_Counters().transactionStatements;
      ++Engine_Counters().commits;
    }
    sent = sent && PQpipelineSync(conn_) == 1;
    int32_t controlStatus = sent ? ora::kOk : ora::kNotConnected;
    Result commit;
    // The answers in order, each ended by a null: each control, the
    // statement, the commit if sent, then the sync.
    const size_t answers = controls.size() + 1 + (withCommit ? 1 : 0);
    for (size_t i = 0; sent && i < answers; ++i) {
      Result r(PQgetResult(conn_));
      if (i < controls.size()) {
        if (controlStatus == ora::kOk) controlStatus = Noted(r.get());
      } else if (i == controls.size()) {
        out = std::move(r);
      } else {
        commit = std::move(r);
      }
      while (PGresult* rest = PQgetResult(conn_)) PQclear(rest);
    }
    // Up to the sync's own answer.
    while (sent) {
      Result r(PQgetResult(conn_));
      if (!r || PQresultStatus(r.get()) == PGRES_PIPELINE_SYNC) break;
    }
    PQexitPipelineMode(conn_);
    if (controlStatus != ora::kOk) return Failed(controlStatus);
    const int32_t status = Noted(out.get());
    // A commit that ran ended the transaction, whether it succeeded or not;
    // one skipped after the statement's failure left it open for the
    // rollback to the savepoint.
    if (withCommit && commit && PQresultStatus(commit.get()) != PGRES_PIPELINE_ABORTED) {
      if (ahead_) ahead_->TransactionEnded();
      policy_.CommittedWithStatement(CommitStatus(commit.get()));
    } else if (withCommit && status == ora::kOk && sent) {
      // The statement succeeded but no answer to its commit came: the row's
      // fate is unknown, which must not pass for success either.
      policy_.CommitOutcomeUnknown();
    }
    return status;
  }

  // COMMIT of a transaction that had failed answers ROLLBACK: nothing was
  // committed, which must not pass for success.
  int32_t CommitStatus(PGresult* r) {
    const int32_t status = Noted(r);
    if (status == ora::kOk && std::strcmp(PQcmdStatus(r), "ROLLBACK") == 0) return ora::kRolledBack;
    return status;
  }

  // A begin or savepoint that failed: nothing of the transaction is kept
  // (the policy sees the transaction ended).
  int32_t Failed(int32_t status) {
    if (PQtransactionStatus(conn_) != PQTRANS_IDLE) Exec("ROLLBACK");
    if (ahead_) ahead_->TransactionEnded();
    return status;
  }

  static std::string WithDeferred(const std::vector<std::string>& controls, const std::string& last = "") {
    std::string text;
    for (const std::string& c : controls) text += c + "; ";
    return text + last;
  }
  // `sql` preceded by the transaction statements held back (one round trip).
  std::string WithDeferred(const std::string& sql) {
    if (deferred_.empty()) return sql;
    std::string text = WithDeferred(deferred_, sql);
    deferred_.clear();
    beginDeferred_ = false;
    return text;
  }

  // Whether a write to `table` changes that table alone: no triggers, no
  // rules (a view is one), as far as the catalogue tells before the run's
  // first write to it. Asked outside a transaction only; unknown is "no".
  bool WritesStayInTable(const std::string& table) {
    if (PQtransactionStatus(conn_) != PQTRANS_IDLE || beginDeferred_) return false;
    const char* values[] = {table.c_str()};
    Result r(PQexecParams(conn_,
                          "select c.relhastriggers or c.relhasrules from pg_class c where c.oid = to_regclass($1)",
                          1, nullptr, values, nullptr, nullptr, 0));
    return r && PQresultStatus(r.get()) == PGRES_TUPLES_OK && PQntuples(r.get()) == 1 &&
           std::strcmp(PQgetvalue(r.get(), 0, 0), "f") == 0;
  }

  // Transaction control of the engine itself, counted for the benchmark.
  int32_t Control(const std::string& sql) {
    ++Engine_Counters().transactionStatements;
    return Exec(sql);
  }

  int32_t Exec(const std::string& sql) {
    Result r(PQexec(conn_, WithDeferred(sql).c_str()));
    return Noted(r.get());
  }

  PGconn* conn_;
  std::string user_, password_, conninfo_;
  bool cursor_;
  int statements_ = 0;
  std::unordered_set<std::string> prepared_;  // texts prepared on this connection
  // Look-ups sent ahead, shared by the session's connections; nullptr when off.
  std::shared_ptr<EarlyAnswers> ahead_;
  // Begin and savepoint held back to travel with the next statement.
  std::vector<std::string> deferred_;
  bool beginDeferred_ = false;
  // The commit of a write committed at once, to travel with that write.
  bool commitDeferred_ = false;
  std::string lastFailure_;  // the server's message of the last failure
};

int32_t PgStatement::Step() {
  if (!started_) {
    started_ = true;
    return streaming_ ? StartStreamed() : Execute();
  }
  if (streaming_) return NextStreamed();
  if (++rowIndex_ < rows_) return ora::kOk;
  return ora::kNoRow;
}

int32_t PgStatement::Execute() {
  Result r;
  int32_t status;
  std::unique_ptr<AheadAnswer> early;
  if (ahead_ && ahead_->Serve(aheadId_, values_, early)) {
    r = std::move(static_cast<PgAnswer&>(*early).results.front());
    status = conn_.Noted(r.get());
  } else {
    if (ahead_ && ahead_->WrittenTable(aheadId_)) ahead_->Wrote(aheadId_, conn_.InTransaction());
    std::vector<const char*> values;
    values.reserve(values_.size());
    for (const auto& v : values_) values.push_back(v ? v->c_str() : nullptr);
    status = conn_.RunGuarded(name_, values, r);
  }
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

int32_t PgStatement::StartStreamed() {
  std::unique_ptr<AheadAnswer> early;
  if (ahead_ && ahead_->Serve(aheadId_, values_, early)) {
    buffered_ = std::move(static_cast<PgAnswer&>(*early).results);
    return NextStreamed();
  }
  PGconn* pg = conn_.Raw();
  std::vector<const char*> values;
  for (const auto& v : values_) values.push_back(v ? v->c_str() : nullptr);
  if (!PQsendQueryPrepared(pg, name_.c_str(), static_cast<int>(values.size()), values.data(), nullptr, nullptr, 0))
    return ora::kNotConnected;
  PQsetSingleRowMode(pg);
  active_ = true;
  if (ahead_) driver_ = ahead_->NewDriver(aheadId_);
  return NextStreamed();
}

int32_t PgStatement::NextStreamed() {
  PGconn* pg = conn_.Raw();
  const bool fromBuffer = !buffered_.empty();
  if (fromBuffer) {
    row_ = std::move(buffered_.front());
    buffered_.pop_front();
  } else if (active_) {
    row_.reset(PQgetResult(pg));
    if (row_ && PQresultStatus(row_.get()) == PGRES_SINGLE_TUPLE) ++rowsRead_;
  } else {
    row_.reset();
  }
  rowIndex_ = 0;
  if (!row_) {
    active_ = false;
    EndDriver();
    return ora::kNoRow;
  }
  const ExecStatusType kind = PQresultStatus(row_.get());
  if (kind == PGRES_SINGLE_TUPLE) {
    if (driver_) {
      ahead_->RowTaken(driver_, ++rowsTaken_, RowValues(row_.get()));
      if (active_ && buffered_.size() <= kAheadRows - kAheadBatch && ahead_->WantsRowsAhead(driver_)) ReadAhead();
    }
    return ora::kOk;
  }
  const int32_t status = kind == PGRES_TUPLES_OK || kind == PGRES_COMMAND_OK ? ora::kNoRow : conn_.Noted(row_.get());
  row_.reset();
  // The query is over: only its closing NULL is left (read already when
  // the end came through the buffer).
  if (active_ && !fromBuffer) Pg_FinishQuery(pg);
  active_ = false;
  EndDriver();
  return status;
}

// Takes the driver's next rows off its connection ahead of the fetches (its
// snapshot was fixed at the open, so when they are read changes nothing)
// and sends the look-ups they lead to, as one batch.
void PgStatement::ReadAhead() {
  PGconn* pg = conn_.Raw();
  while (active_ && buffered_.size() < kAheadRows) {
    Result r(PQgetResult(pg));
    if (!r) {
      active_ = false;
      break;
    }
    const bool row = PQresultStatus(r.get()) == PGRES_SINGLE_TUPLE;
    if (row) ahead_->RowAhead(driver_, ++rowsRead_, RowValues(r.get()));
    buffered_.push_back(std::move(r));
    if (!row) {
      Pg_FinishQuery(pg);
      active_ = false;
    }
  }
  ahead_->Flush();
}

void PgStatement::EndDriver() {
  if (driver_) ahead_->DriverClosed(driver_);
  driver_ = 0;
}

void PgStatement::Reset() {
  if (active_) {
    Pg_FinishQuery(conn_.Raw());
    active_ = false;
  }
  EndDriver();
  buffered_.clear();
  rowsRead_ = rowsTaken_ = 0;
  row_.reset();
  started_ = false;
  rows_ = rowIndex_ = 0;
  affected_ = 0;
  for (auto& v : values_) v.reset();
}

// A connection with the session's settings, or nullptr and the status of the failure.
PGconn* Connect(const std::string& user, const std::string& password, const std::string& conninfo, int32_t& status) {
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
  if (!conn) {
    status = ora::kInternal;
    return nullptr;
  }
  if (PQstatus(conn) != CONNECTION_OK) {
    status = Pg_MapConnectFailure(PQerrorMessage(conn));
    PQfinish(conn);
    return nullptr;
  }
  const std::string setup = Pg_SessionSetup();
  Result r(PQexec(conn, setup.c_str()));
  if (StatusOf(r.get()) != ora::kOk) {
    PQfinish(conn);
    status = ora::kInternal;
    return nullptr;
  }
  status = ora::kOk;
  return conn;
}

int32_t Open(const std::string& user, const std::string& password, const std::string& conninfo, bool cursor,
             std::shared_ptr<EarlyAnswers> ahead, std::unique_ptr<EngineConnection>& out) {
  int32_t status;
  PGconn* conn = Connect(user, password, conninfo, status);
  if (!conn) return status;
  if (!cursor && Engine_AheadEnabled()) {
    // The look-ups sent ahead get a connection of their own when first needed.
    ahead = std::make_shared<EarlyAnswers>([user, password, conninfo]() -> std::unique_ptr<AheadTransport> {
      int32_t ignored;
      return PgPipeline::Open(Connect(user, password, conninfo, ignored));
    });
  }
  out = std::make_unique<PgConnection>(conn, user, password, conninfo, cursor, std::move(ahead));
  return ora::kOk;
}

int32_t PgConnection::OpenCursorConnection(std::unique_ptr<EngineConnection>& out) {
  return Open(user_, password_, conninfo_, true, ahead_, out);
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
  return Open(user, password, conninfo, false, nullptr, out);
}

}  // namespace zeldb
