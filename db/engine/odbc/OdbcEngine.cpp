#include "db/engine/odbc/OdbcEngine.h"

// The ODBC headers take the Windows types from <windows.h> there.
#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <unordered_set>
#include <utility>
#include <vector>

#include "db/engine/EarlyAnswers.h"
#include "db/engine/EngineCounters.h"
#include "db/engine/RaisedStatus.h"
#include "db/engine/PolicyConnection.h"
#include "db/engine/TransactionPolicy.h"
#include "db/engine/odbc/OdbcAhead.h"
#include "db/engine/odbc/OdbcConnString.h"
#include "db/server/oracle/OracleFlavor.h"
#include "db/server/oracle/OracleStatus.h"
#include "db/server/postgres/PgFlavor.h"
#include "db/server/postgres/PgSession.h"
#include "db/server/postgres/PgStatus.h"
#include "platform/FaultInjection.h"
#include "util/OraStatus.h"

namespace zeldb {
namespace {

// PostgreSQL's driver: no rollback of its own when a statement fails.
constexpr char kPgNoDriverRollback[] = ";Protocol=7.4-0";
// PostgreSQL's driver reads a query's whole result at its execution. A
// cursor connection on PostgreSQL starts with the driver streaming it
// instead (a server-side cursor, fetched kStreamRows rows at a time), so
// that a cursor over a whole table does not hold the table in memory. That
// costs two more round trips per open, which a lookup cursor opened once per
// person should not pay: once kShortOpens opens in a row have delivered
// fewer rows than one batch before they ended or were closed, and none has
// gone beyond one, the connection is made again without streaming
// (OdbcConnection::CursorDone).
constexpr int kStreamRows = 1000;
constexpr int kShortOpens = 16;
const std::string kPgStreaming = ";UseDeclareFetch=1;Fetch=" + std::to_string(kStreamRows);

std::function<void(const std::string&)> g_recorder;
std::optional<std::string> g_assumedServer;

// The process's ODBC environment, made on first use.
SQLHENV Environment() {
  struct Env {
    SQLHENV handle = SQL_NULL_HENV;
    Env() {
      if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handle))) {
        handle = SQL_NULL_HENV;
        return;
      }
      SQLSetEnvAttr(handle, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    }
    ~Env() {
      if (handle != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, handle);
    }
  };
  static Env env;
  return env.handle;
}

struct Diagnostic {
  std::string sqlstate;
  int32_t native = 0;
  std::string message;
};

// The first diagnostic record of `handle`.
Diagnostic Diagnose(SQLSMALLINT type, SQLHANDLE handle) {
  Diagnostic d;
  SQLCHAR state[6] = {};
  SQLINTEGER native = 0;
  SQLCHAR message[1024] = {};
  SQLSMALLINT length = 0;
  if (SQL_SUCCEEDED(SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length))) {
    d.sqlstate = reinterpret_cast<const char*>(state);
    d.native = native;
    d.message = reinterpret_cast<const char*>(message);
  }
  return d;
}

// The failure that `handle` describes on a connection to the server `dbms`:
// its status and the driver's message in one line.
OdbcFailure Describe(const std::string& dbms, SQLSMALLINT type, SQLHANDLE handle) {
  const Diagnostic d = Diagnose(type, handle);
  OdbcFailure f;
  f.status = Odbc_MapDiagnostic(dbms, d.sqlstate, d.native, d.message);
  f.sqlstate = d.sqlstate;
  f.message = d.message.empty() ? "SQLSTATE " + d.sqlstate : d.message;
  for (char& c : f.message)
    if (c == '\n' || c == '\r') c = ' ';
  while (!f.message.empty() && f.message.back() == ' ') f.message.pop_back();
  return f;
}

// The PostgreSQL rendering with ODBC's positional markers: every "$n" of
// the text (outside its literals) becomes "?", fed from the placeholder
// that parameter n stands for, as often as the text names it.
Translation PositionalMarkers(Translation tr) {
  if (!tr.ok) return tr;
  std::string sql;
  std::vector<int> parameters;
  const std::string& s = tr.sql;
  for (size_t i = 0; i < s.size();) {
    if (s[i] == '\'') {
      const size_t close = s.find('\'', i + 1);  // a doubled quote is two literals side by side
      const size_t end = close == std::string::npos ? s.size() : close + 1;
      sql.append(s, i, end - i);
      i = end;
      continue;
    }
    if (s[i] == '$' && i + 1 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1]))) {
      size_t j = i + 1;
      int n = 0;
      while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) n = n * 10 + (s[j++] - '0');
      if (n < 1 || static_cast<size_t>(n) > tr.parameters.size()) {
        tr.ok = false;
        tr.error = "parameter $" + std::to_string(n) + " has no placeholder";
        return tr;
      }
      parameters.push_back(tr.parameters[static_cast<size_t>(n) - 1]);
      sql += '?';
      i = j;
      continue;
    }
    sql += s[i++];
  }
  tr.sql = std::move(sql);
  tr.parameters = std::move(parameters);
  return tr;
}

// Connects a new handle `dbc` by the connection string `connect`; on
// failure the status and no handle.
int32_t Connect(const std::string& connect, SQLHDBC& dbc) {
  dbc = SQL_NULL_HDBC;
  SQLHENV env = Environment();
  if (env == SQL_NULL_HENV) return ora::kInternal;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc))) {
    dbc = SQL_NULL_HDBC;
    return ora::kInternal;
  }
  SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(10), 0);
  SQLSMALLINT length = 0;
  const SQLRETURN rc = SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(connect.c_str())),
                                        static_cast<SQLSMALLINT>(connect.size()), nullptr, 0, &length,
                                        SQL_DRIVER_NOPROMPT);
  if (SQL_SUCCEEDED(rc)) return ora::kOk;
  const Diagnostic d = Diagnose(SQL_HANDLE_DBC, dbc);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  dbc = SQL_NULL_HDBC;
  return Odbc_MapDiagnostic("", d.sqlstate, d.native, d.message);
}

// PostgreSQL's session set-up (Pg_SessionSetup) on a new connection handle.
bool SetUpPgSession(SQLHDBC dbc) {
  SQLHSTMT setup = SQL_NULL_HSTMT;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &setup))) return false;
  std::string sql = Pg_SessionSetup();
  const bool ready =
      SQL_SUCCEEDED(SQLExecDirect(setup, reinterpret_cast<SQLCHAR*>(sql.data()), static_cast<SQLINTEGER>(sql.size())));
  SQLFreeHandle(SQL_HANDLE_STMT, setup);
  return ready;
}

class OdbcConnection;

// One parameter: the value of the next execution, in the buffer the driver
// holds bound for its marker. The binding is made once and made again only
// when the value needs another C type or its buffer moved (a longer text, or
// the statement's values grown), so that an execution passes through the
// driver manager once, not once per parameter.
struct Value {
  enum class Kind { Null, Int, Double, Text } kind = Kind::Null;
  SQLBIGINT i = 0;
  SQLINTEGER i32 = 0;
  double d = 0;
  std::string text;
  SQLLEN indicator = SQL_NULL_DATA;
  // What the driver holds bound: the C type (0: nothing yet), the buffer and its size.
  SQLSMALLINT boundType = 0;
  const void* boundBuffer = nullptr;
  SQLULEN boundSize = 0;
  const SQLLEN* boundIndicator = nullptr;
};

// One result column, bound to a buffer that takes every value the driver
// says the column can hold; a longer one is read whole with SQLGetData.
struct CellValue {
  std::vector<char> buffer;
  SQLLEN indicator = SQL_NULL_DATA;
  std::string overflow;     // the value of the current row when it did not fit
  bool overflowed = false;
};

class OdbcStatement final : public EngineStatement {
 public:
  // `ahead`: the session's look-ups sent ahead (nullptr: none), in which
  // this statement's text is number `aheadId`.
  OdbcStatement(OdbcConnection& conn, SQLHSTMT stmt, std::string sql, EarlyAnswers* ahead, int aheadId);
  ~OdbcStatement() override;

  void BindNull(int index) override { Slot(index).kind = Value::Kind::Null; }
  void BindInt(int index, int64_t value) override {
    Value& v = Slot(index);
    v.kind = Value::Kind::Int;
    v.i = value;
  }
  void BindDouble(int index, double value) override {
    Value& v = Slot(index);
    v.kind = Value::Kind::Double;
    v.d = value;
  }
  void BindText(int index, std::string_view value) override {
    Value& v = Slot(index);
    v.kind = Value::Kind::Text;
    v.text.assign(value);
  }

  int32_t Step() override;
  bool ColumnIsNull(int column) override {
    if (!row_) return true;
    if (held_) return !current_[static_cast<size_t>(column)];
    return Cell(column).indicator == SQL_NULL_DATA;
  }
  int64_t ColumnInt(int column) override {
    return ColumnIsNull(column) ? 0 : std::strtoll(Text(column).data(), nullptr, 10);
  }
  double ColumnDouble(int column) override {
    return ColumnIsNull(column) ? 0.0 : std::strtod(Text(column).data(), nullptr);
  }
  std::string_view ColumnText(int column) override {
    if (ColumnIsNull(column)) return {};
    return Text(column);
  }
  int32_t RowStatus() override {
    if (!row_) return ora::kOk;
    for (const int column : checked_)
      if (!ColumnIsNull(column) && Text(column) == kPgRowFault) return ora::kDateFormat;
    return ora::kOk;
  }
  int64_t RowsAffected() override { return affected_; }
  void Reset() override;

  // For a connection that changes its driver handle: the statement
  // prepared on `dbc` (null when that fails; nothing changes here), then
  // taken for this statement's own.
  SQLHSTMT PrepareOn(SQLHDBC dbc);
  void Adopt(SQLHSTMT stmt);
  // An execution has begun and not been reset.
  bool Busy() const { return started_; }
  // The connection is being dropped: the handle goes first.
  void Orphan();

 private:
  Value& Slot(int index) {
    if (static_cast<size_t>(index) > values_.size()) values_.resize(static_cast<size_t>(index));
    return values_[static_cast<size_t>(index) - 1];
  }
  CellValue& Cell(int column) { return cells_[static_cast<size_t>(column)]; }
  // The current row's value of a column that is not NULL, NUL-terminated.
  std::string_view Text(int column) {
    if (held_) return *current_[static_cast<size_t>(column)];
    return CellText(column);
  }
  std::string_view CellText(int column) {
    const CellValue& cell = Cell(column);
    if (cell.overflowed) return cell.overflow;
    return {cell.buffer.data(), static_cast<size_t>(cell.indicator)};
  }
  int32_t Execute();
  int32_t Fetch();
  int32_t FetchLive();
  int32_t Failure(SQLRETURN rc);
  // Early answers: the bound values as texts, the current row's columns,
  // the row handed to the job, the rows read ahead of it.
  AheadValues BoundValues() const;
  AheadValues LiveRow();
  int32_t TakeRow();
  void ReadAhead();
  void EndDriver();
  bool BindValues();
  bool DescribeColumns();
  bool BindColumn(size_t column, size_t bytes);
  int32_t ReadWhole(size_t column);

  OdbcConnection& conn_;
  SQLHSTMT stmt_;
  std::vector<Value> values_;
  std::vector<CellValue> cells_;
  bool described_ = false;
  std::vector<int> checked_;  // columns that may carry their row's fault
  std::string sql_;
  bool started_ = false;
  int64_t fetched_ = 0;  // rows the current execution delivered
  bool open_ = false;  // a result set is open on the statement
  bool row_ = false;
  int64_t affected_ = 0;
  // Look-ups sent ahead. Rows held in the statement instead of the driver's
  // buffers: a served early answer's, or a driver's rows read ahead of the
  // job; after them the end of the result (`heldEnd_`, 1403 or the failure
  // with its message), when it was met too.
  EarlyAnswers* ahead_;
  int aheadId_;
  std::deque<AheadValues> rowsHeld_;
  bool endHeld_ = false;
  int32_t heldEnd_ = ora::kNoRow;
  std::string heldMessage_;
  bool served_ = false;   // the execution was served from an early answer
  bool held_ = false;     // the current row is current_, not the bound cells
  AheadValues current_;
  uint64_t driver_ = 0;   // as a driver of look-ups sent ahead (0: none)
  uint64_t rowsTaken_ = 0, rowsRead_ = 0;
  bool deferFailure_ = false;  // a failure met ahead keeps its message here (heldMessage_)
};

class OdbcConnection final : public PolicyConnection {
 public:
  OdbcConnection(SQLHDBC dbc, std::string dbms, std::string user, std::string password, std::string service,
                 bool cursor, bool streaming, std::shared_ptr<EarlyAnswers> ahead)
      : dbc_(dbc),
        dbms_(std::move(dbms)),
        oracle_(dbms_ == kOracle),
        user_(std::move(user)),
        password_(std::move(password)),
        service_(std::move(service)),
        cursor_(cursor),
        streaming_(streaming),
        ahead_(std::move(ahead)) {}
  ~OdbcConnection() override {
    if (control_ != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, control_);
    if (inTransaction_ && !lost_) SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
    if (!lost_) SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
  }

  const SqlFlavor& Flavor() const override { return oracle_ ? Oracle_Flavor() : Pg_Flavor(); }

  Translation Render(std::string_view oracleText) const override {
    return oracle_ ? Translate_Markers(oracleText) : PositionalMarkers(Translate(oracleText, Pg_Flavor()));
  }

  int32_t Prepare(const std::string& sql, std::unique_ptr<EngineStatement>& out) override {
    if (lost_) return ora::kNotConnected;
    EngineCounters& counters = Engine_Counters();
    ++counters.preparations;
    if (!prepared_.insert(sql).second) ++counters.repeatedPreparations;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt))) return Status(SQL_HANDLE_DBC, dbc_);
    // Oracle has no lock wait of its own to bound: a statement of the main
    // connection that waits longer than this is cancelled (HYT00, -54).
    if (oracle_ && !cursor_)
      SQLSetStmtAttr(stmt, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(kOdbcLockWaitSeconds), 0);
    if (g_recorder) g_recorder(sql);
    const SQLRETURN rc =
        SQLPrepare(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), static_cast<SQLINTEGER>(sql.size()));
    // A driver may put the server's parse off until the first execution;
    // asking for the result columns makes it parse now, so that a text the
    // server refuses (a missing table) fails its preparation, as it does
    // on the other engines.
    SQLSMALLINT columns = 0;
    if (!SQL_SUCCEEDED(rc) || !SQL_SUCCEEDED(SQLNumResultCols(stmt, &columns))) {
      const int32_t status = Status(SQL_HANDLE_STMT, stmt);
      SQLFreeHandle(SQL_HANDLE_STMT, stmt);
      return status;
    }
    const int aheadId = ahead_ ? ahead_->Register(sql, cursor_) : -1;
    if (ahead_ && !cursor_ && ahead_->WrittenTable(aheadId) && !WritesStayInTable(*ahead_->WrittenTable(aheadId)))
      ahead_->MarkWidespreadWrites(aheadId);
    out = std::make_unique<OdbcStatement>(*this, stmt, sql, ahead_.get(), aheadId);
    return ora::kOk;
  }

  // What runs here is not described by the statement table: no early answer
  // may be served past it.
  int32_t ExecDirect(const std::string& sql) override {
    if (ahead_) ahead_->DropAll();
    return Run(sql);
  }

  int32_t Run(const std::string& sql) {
    if (lost_) return ora::kNotConnected;
    SQLHSTMT stmt = ControlStatement();
    if (stmt == SQL_NULL_HSTMT) return Status(SQL_HANDLE_DBC, dbc_);
    const SQLRETURN rc =
        SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), static_cast<SQLINTEGER>(sql.size()));
    const int32_t status = rc == SQL_NO_DATA || SQL_SUCCEEDED(rc) ? ora::kOk : Status(SQL_HANDLE_STMT, stmt);
    // A set-up statement with results (a select of the tests' helpers) ends here.
    SQLFreeStmt(stmt, SQL_CLOSE);
    return status;
  }

  int32_t OpenCursorConnection(std::unique_ptr<EngineConnection>& out) override;

  // For OdbcStatement: runs its execution with Oracle's statement-level
  // rollback when a transaction is open (PostgreSQL would otherwise leave
  // the whole transaction failed).
  SQLRETURN RunGuarded(SQLHSTMT stmt, int32_t& status) {
    SQLRETURN rc = SQL_SUCCESS;
    status = policy_.RunStatement([&] {
      rc = SQLExecute(stmt);
      return rc == SQL_NO_DATA || SQL_SUCCEEDED(rc) ? ora::kOk : Status(SQL_HANDLE_STMT, stmt);
    });
    return rc;
  }

  // For OdbcStatement: its write changed rows.
  void Changed() { policy_.Changed(); }

  void Register(OdbcStatement* st) { statements_.push_back(st); }
  void Unregister(OdbcStatement* st) { std::erase(statements_, st); }

  // For OdbcStatement: an execution ended after delivering `rows` rows. On
  // a streaming cursor connection a long result keeps the streaming for
  // good; kShortOpens short ones in a row end it (see kStreamRows).
  void CursorDone(int64_t rows);

  // The status of the failure that `handle` describes.
  int32_t Status(SQLSMALLINT type, SQLHANDLE handle) const {
    OdbcFailure f = Describe(type, handle);
    if (f.status != ora::kOk) lastFailure_ = std::move(f.message);
    return f.status;
  }
  // The same without keeping the message (a failure met ahead of the job).
  OdbcFailure Describe(SQLSMALLINT type, SQLHANDLE handle) const { return zeldb::Describe(dbms_, type, handle); }
  // A failure delivered to the job now, as if met now.
  void NoteFailure(const std::string& message) { lastFailure_ = message; }

  std::string TakeFailureMessage() override { return std::exchange(lastFailure_, std::string()); }

  // SQLColumns' COLUMN_SIZE of a character column. The catalogue keeps the
  // names as the server folded them (Oracle upper case, PostgreSQL lower
  // case): the name as written is asked first, then folded each way. An
  // unqualified table is looked up in every schema the driver shows.
  int32_t ColumnWidth(const std::string& table, const std::string& column, int& width) override {
    width = 0;
    if (lost_) return ora::kNotConnected;
    const size_t dot = table.find('.');
    const std::string schema = dot == std::string::npos ? "" : table.substr(0, dot);
    const std::string name = dot == std::string::npos ? table : table.substr(dot + 1);
    for (int fold = 0; fold < 3; ++fold) {
      const auto cased = [fold](std::string s) {
        for (char& c : s)
          c = static_cast<char>(fold == 1   ? std::tolower(static_cast<unsigned char>(c))
                                : fold == 2 ? std::toupper(static_cast<unsigned char>(c))
                                            : c);
        return s;
      };
      bool found = false;
      const int32_t status = DescribeColumn(cased(schema), cased(name), cased(column), found, width);
      if (status != ora::kOk || found) return status;
    }
    return ora::kNoRow;
  }

  // Whether the server renders the checked TO_CHAR columns (PostgreSQL).
  bool ChecksRows() const { return !oracle_; }
  bool InTransaction() const override { return inTransaction_; }
  // A connection of one cursor (OpenCursorConnection).
  bool ForCursor() const { return cursor_; }
  EarlyAnswers* Ahead() override { return ahead_.get(); }
  // The connection was dropped (EndTransaction): nothing runs on it any more.
  bool Lost() const override { return lost_; }

 private:
  // The transaction control statements of the policy. Reads outside a
  // transaction run in the driver's autocommit mode; a begin switches to
  // manual commit until the commit or rollback.
  int32_t Control(TxnControl what, const std::string& name, bool) override {
    if (lost_) return ora::kNotConnected;
    switch (what) {
      case TxnControl::Begin: {
        ++Engine_Counters().transactionStatements;
        const SQLRETURN rc =
            SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
        if (!SQL_SUCCEEDED(rc)) return Status(SQL_HANDLE_DBC, dbc_);
        inTransaction_ = true;
        return ora::kOk;
      }
      case TxnControl::Savepoint:
        return Control("SAVEPOINT " + name);
      case TxnControl::RollbackTo:
        return Control("ROLLBACK TO SAVEPOINT " + name);
      case TxnControl::Release:
        return oracle_ ? ora::kOk : Control("RELEASE SAVEPOINT " + name);  // Oracle has no release
      case TxnControl::Commit:
        ++Engine_Counters().commits;
        return EndTransaction(SQL_COMMIT);
      case TxnControl::Rollback:
        return EndTransaction(SQL_ROLLBACK);
    }
    return ora::kInternal;
  }
  // Oracle undoes a failed statement by itself; PostgreSQL leaves the transaction failed.
  bool KeepsTransactionAfterFailure() const override { return oracle_; }

  SQLHSTMT ControlStatement() {
    if (control_ == SQL_NULL_HSTMT && !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &control_)))
      control_ = SQL_NULL_HSTMT;
    return control_;
  }

  // Transaction control of the engine itself, counted for the benchmark.
  int32_t Control(const std::string& sql) {
    ++Engine_Counters().transactionStatements;
    return Run(sql);
  }

  // One SQLColumns call for exact names; `found` when it returned a row.
  int32_t DescribeColumn(const std::string& schema, const std::string& table, const std::string& column, bool& found,
                         int& width) {
    found = false;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt))) return Status(SQL_HANDLE_DBC, dbc_);
    const auto text = [](const std::string& s) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(s.c_str())); };
    SQLRETURN rc = SQLColumns(stmt, nullptr, 0, schema.empty() ? nullptr : text(schema),
                              schema.empty() ? 0 : static_cast<SQLSMALLINT>(schema.size()), text(table),
                              static_cast<SQLSMALLINT>(table.size()), text(column),
                              static_cast<SQLSMALLINT>(column.size()));
    int32_t status = ora::kOk;
    if (!SQL_SUCCEEDED(rc)) {
      status = Status(SQL_HANDLE_STMT, stmt);
    } else if ((rc = SQLFetch(stmt)) != SQL_NO_DATA) {
      if (!SQL_SUCCEEDED(rc)) {
        status = Status(SQL_HANDLE_STMT, stmt);
      } else {
        SQLSMALLINT type = 0;
        SQLINTEGER size = 0;
        SQLLEN indicator = 0;
        SQLGetData(stmt, 5, SQL_C_SSHORT, &type, 0, &indicator);
        if (!SQL_SUCCEEDED(SQLGetData(stmt, 7, SQL_C_SLONG, &size, 0, &indicator)) || indicator == SQL_NULL_DATA)
          size = 0;
        const bool text = type == SQL_CHAR || type == SQL_VARCHAR || type == SQL_WCHAR || type == SQL_WVARCHAR;
        width = text ? static_cast<int>(size) : 0;
        found = true;
      }
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return status;
  }

  int32_t EndTransaction(SQLSMALLINT completion) {
    const int32_t status = EndTransactionHere(completion);
    if (ahead_) ahead_->TransactionEnded();
    return status;
  }

  int32_t EndTransactionHere(SQLSMALLINT completion) {
    ++Engine_Counters().transactionStatements;
    PlatFileResult fault;
    const bool refused = completion == SQL_ROLLBACK && Plat_TakeFault(PlatFaultPoint::EngineRollback, fault);
    const SQLRETURN rc = refused ? SQL_ERROR : SQLEndTran(SQL_HANDLE_DBC, dbc_, completion);
    const int32_t status = SQL_SUCCEEDED(rc) ? ora::kOk : refused ? ora::kInternal : Status(SQL_HANDLE_DBC, dbc_);
    if (!SQL_SUCCEEDED(rc) && completion == SQL_ROLLBACK) {
      // Autocommit switched on now would commit what was to be undone. The
      // connection goes instead: the server rolls the transaction back and
      // lets its locks go, and every later statement reports -3114.
      Drop();
      return ora::IsFailure(status) ? status : ora::kInternal;
    }
    // Back to autocommit for the reads until the next write; this also ends
    // what a failed commit left open.
    SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
    inTransaction_ = false;
    return status;
  }

  // Whether a write to `table` changes that table alone: no triggers (and on
  // PostgreSQL no rules: a view is one), as far as the catalogue tells
  // before the run's first write to it. Asked outside a transaction only,
  // where a failed look at the catalogue cannot fail the transaction;
  // unknown is "no".
  bool WritesStayInTable(const std::string& table) {
    if (inTransaction_ || lost_) return false;
    std::string schema, name = table;
    if (const size_t dot = table.find('.'); dot != std::string::npos) {
      schema = table.substr(0, dot);
      name = table.substr(dot + 1);
    }
    std::string sql;
    std::vector<std::string> values;
    if (oracle_) {
      sql = "select count(*) from all_triggers where table_name = upper(?)";
      values.push_back(name);
      if (!schema.empty()) {
        sql += " and table_owner = upper(?)";
        values.push_back(schema);
      }
    } else {
      sql = "select case when c.relhastriggers or c.relhasrules then 1 else 0 end from pg_class c "
            "where c.oid = to_regclass(?)";
      values.push_back(table);
    }
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt))) return false;
    std::vector<SQLLEN> lengths(values.size());
    bool ok = true;
    for (size_t i = 0; ok && i < values.size(); ++i) {
      lengths[i] = static_cast<SQLLEN>(values[i].size());
      ok = SQL_SUCCEEDED(SQLBindParameter(stmt, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT, SQL_C_CHAR,
                                          SQL_VARCHAR, values[i].size() + 1, 0, values[i].data(), lengths[i] + 1,
                                          &lengths[i]));
    }
    char answer[32] = {};
    SQLLEN indicator = 0;
    ok = ok &&
         SQL_SUCCEEDED(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(sql.data()), static_cast<SQLINTEGER>(sql.size()))) &&
         SQL_SUCCEEDED(SQLFetch(stmt)) &&
         SQL_SUCCEEDED(SQLGetData(stmt, 1, SQL_C_CHAR, answer, sizeof answer, &indicator)) &&
         indicator != SQL_NULL_DATA && std::strcmp(answer, "0") == 0;
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return ok;
  }

  void Drop() {
    for (OdbcStatement* st : statements_) st->Orphan();
    if (control_ != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, control_);
    control_ = SQL_NULL_HSTMT;
    SQLDisconnect(dbc_);
    lost_ = true;
    inTransaction_ = false;
  }

  SQLHDBC dbc_;
  std::string dbms_;
  bool oracle_;
  std::string user_, password_, service_;
  bool cursor_;
  bool streaming_;             // PostgreSQL's driver streams the results (kPgStreaming)
  bool settled_ = false;       // the streaming stays as it is for the rest of the run
  int shortOpens_ = 0;         // executions in a row that ended within one batch
  std::vector<OdbcStatement*> statements_;  // prepared on this connection
  SQLHSTMT control_ = SQL_NULL_HSTMT;  // for transaction control and ExecDirect
  std::unordered_set<std::string> prepared_;  // texts prepared on this connection
  bool inTransaction_ = false;  // manual commit: a write began a transaction
  bool lost_ = false;           // dropped after a failed rollback (Drop)
  mutable std::string lastFailure_;  // the driver's message of the last failure
  // Look-ups sent ahead, shared by the session's connections; nullptr when off.
  std::shared_ptr<EarlyAnswers> ahead_;
};

bool OdbcStatement::BindValues() {
  for (size_t i = 0; i < values_.size(); ++i) {
    Value& v = values_[i];
    SQLSMALLINT cType = SQL_C_CHAR, sqlType = SQL_VARCHAR;
    SQLPOINTER buffer = v.text.data();
    SQLULEN size = v.text.capacity();
    switch (v.kind) {
      case Value::Kind::Int:
        v.indicator = 0;
        // The host variables are 32 and 16 bits wide: sent as INTEGER, which
        // every driver takes; a wider value (none of the module's) as BIGINT.
        if (v.i >= INT32_MIN && v.i <= INT32_MAX) {
          v.i32 = static_cast<SQLINTEGER>(v.i);
          cType = SQL_C_SLONG;
          sqlType = SQL_INTEGER;
          buffer = &v.i32;
        } else {
          cType = SQL_C_SBIGINT;
          sqlType = SQL_BIGINT;
          buffer = &v.i;
        }
        size = 0;
        break;
      case Value::Kind::Double:
        v.indicator = 0;
        cType = SQL_C_DOUBLE;
        sqlType = SQL_DOUBLE;
        buffer = &v.d;
        size = 0;
        break;
      case Value::Kind::Text:
        v.indicator = static_cast<SQLLEN>(v.text.size());
        break;
      case Value::Kind::Null:
      default:
        // The indicator alone makes the value NULL, whatever the binding.
        v.indicator = SQL_NULL_DATA;
        if (v.boundType != 0 && v.boundIndicator == &v.indicator) continue;
        break;
    }
    if (cType == v.boundType && buffer == v.boundBuffer && size == v.boundSize && v.boundIndicator == &v.indicator)
      continue;
    const SQLRETURN rc = SQLBindParameter(stmt_, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT, cType, sqlType,
                                          size, 0, buffer, static_cast<SQLLEN>(size + 1), &v.indicator);
    if (!SQL_SUCCEEDED(rc)) {
      v.boundType = 0;
      return false;
    }
    v.boundType = cType;
    v.boundBuffer = buffer;
    v.boundSize = size;
    v.boundIndicator = &v.indicator;
  }
  return true;
}

bool OdbcStatement::BindColumn(size_t column, size_t bytes) {
  CellValue& cell = cells_[column];
  cell.buffer.assign(bytes, '\0');
  return SQL_SUCCEEDED(SQLBindCol(stmt_, static_cast<SQLUSMALLINT>(column + 1), SQL_C_CHAR, cell.buffer.data(),
                                  static_cast<SQLLEN>(bytes), &cell.indicator));
}

bool OdbcStatement::DescribeColumns() {
  // Every column is fetched as text into a buffer of its own: the texts go
  // to the host record and the numbers are read from their digits, as the
  // PostgreSQL engine reads them. A buffer holds the widest value the driver
  // announces (a character takes up to four bytes), within a bound; a value
  // beyond that is read whole with SQLGetData (ReadWhole).
  constexpr SQLLEN kMostBytes = 4096;
  SQLSMALLINT columns = 0;
  SQLNumResultCols(stmt_, &columns);
  cells_.resize(static_cast<size_t>(columns));
  described_ = true;
  checked_.clear();  // those of an early answer served before
  for (SQLSMALLINT c = 1; c <= columns; ++c) {
    SQLLEN width = 0;
    SQLColAttribute(stmt_, static_cast<SQLUSMALLINT>(c), SQL_DESC_DISPLAY_SIZE, nullptr, 0, nullptr, &width);
    const SQLLEN bytes = width > 0 && width < kMostBytes / 4 ? width * 4 + 1 : kMostBytes;
    if (!BindColumn(static_cast<size_t>(c - 1), static_cast<size_t>(bytes < 32 ? 32 : bytes))) return false;
    if (!conn_.ChecksRows()) continue;
    SQLCHAR name[128] = {};
    SQLSMALLINT length = 0;
    SQLColAttribute(stmt_, static_cast<SQLUSMALLINT>(c), SQL_DESC_NAME, name, sizeof name, &length, nullptr);
    if (std::strcmp(reinterpret_cast<const char*>(name), kPgCheckedColumn) == 0) checked_.push_back(c - 1);
  }
  return true;
}

int32_t OdbcStatement::Failure(SQLRETURN) {
  int32_t status;
  if (deferFailure_) {
    OdbcFailure f = conn_.Describe(SQL_HANDLE_STMT, stmt_);
    status = f.status;
    heldMessage_ = std::move(f.message);
  } else {
    status = conn_.Status(SQL_HANDLE_STMT, stmt_);
  }
  SQLFreeStmt(stmt_, SQL_CLOSE);
  open_ = row_ = false;
  return status;
}

int32_t OdbcStatement::Step() {
  if (conn_.Lost()) return ora::kNotConnected;
  if (!started_) {
    started_ = true;
    return Execute();
  }
  if (!open_ && rowsHeld_.empty() && !endHeld_) return ora::kNoRow;
  return Fetch();
}

AheadValues OdbcStatement::BoundValues() const {
  AheadValues values;
  values.reserve(values_.size());
  for (const Value& v : values_) {
    switch (v.kind) {
      case Value::Kind::Int:
        values.emplace_back(std::to_string(v.i));
        break;
      case Value::Kind::Double: {
        char digits[64];
        std::snprintf(digits, sizeof digits, "%.17g", v.d);
        values.emplace_back(digits);
        break;
      }
      case Value::Kind::Text:
        values.emplace_back(v.text);
        break;
      case Value::Kind::Null:
      default:
        values.emplace_back(std::nullopt);
        break;
    }
  }
  return values;
}

AheadValues OdbcStatement::LiveRow() {
  AheadValues row(cells_.size());
  for (size_t c = 0; c < cells_.size(); ++c)
    if (cells_[c].indicator != SQL_NULL_DATA) row[c] = std::string(CellText(static_cast<int>(c)));
  return row;
}

int32_t OdbcStatement::Execute() {
  fetched_ = 0;
  if (ahead_) {
    if (ahead_->WrittenTable(aheadId_)) {
      // The values go with the write: a write by its key spoils only that
      // row's early answers.
      const AheadValues values = BoundValues();
      ahead_->Wrote(aheadId_, conn_.InTransaction(), &values);
    } else {
      std::unique_ptr<AheadAnswer> early;
      if (ahead_->Serve(aheadId_, BoundValues(), early)) {
        // Delivered as the driver would have delivered it: its rows, then
        // its end or its failure.
        auto& answer = static_cast<OdbcAnswer&>(*early);
        rowsHeld_ = std::move(answer.rows);
        heldEnd_ = answer.end;
        heldMessage_ = std::move(answer.message);
        endHeld_ = true;
        if (!described_) checked_ = answer.checked;
        served_ = true;
        return Fetch();
      }
    }
  }
  if (!BindValues()) return Failure(SQL_ERROR);
  int32_t status = ora::kOk;
  const SQLRETURN rc = conn_.RunGuarded(stmt_, status);
  if (status != ora::kOk) {
    SQLFreeStmt(stmt_, SQL_CLOSE);
    return status;
  }
  if (!described_ && !DescribeColumns()) return Failure(SQL_ERROR);
  if (!cells_.empty()) {
    open_ = true;
    // A cursor of its own connection walks rows whose look-ups may be sent ahead.
    if (ahead_ && conn_.ForCursor()) driver_ = ahead_->NewDriver(aheadId_);
    return Fetch();
  }
  // A write: SQL_NO_DATA is an update or delete that matched no row.
  SQLLEN rows = 0;
  if (rc != SQL_NO_DATA) SQLRowCount(stmt_, &rows);
  affected_ = rows > 0 ? rows : 0;
  if (affected_ > 0) conn_.Changed();
  return ora::kNoRow;
}

int32_t OdbcStatement::Fetch() {
  row_ = held_ = false;
  if (!rowsHeld_.empty()) {
    current_ = std::move(rowsHeld_.front());
    rowsHeld_.pop_front();
    held_ = row_ = true;
    return TakeRow();
  }
  if (endHeld_) {
    endHeld_ = false;
    EndDriver();
    if (ora::IsFailure(heldEnd_)) conn_.NoteFailure(heldMessage_);
    return heldEnd_;
  }
  const int32_t status = FetchLive();
  if (status != ora::kOk) {
    EndDriver();
    return status;
  }
  ++rowsRead_;
  if (driver_) {
    // Held: the bound cells take the rows read ahead.
    current_ = LiveRow();
    held_ = true;
  }
  return TakeRow();
}

// The job takes the current row: its driver learns it, and reads further
// rows ahead when look-ups follow its rows.
int32_t OdbcStatement::TakeRow() {
  if (!driver_) return ora::kOk;
  ahead_->RowTaken(driver_, ++rowsTaken_, current_);
  if (open_ && rowsHeld_.size() < kAheadRows - kAheadBatch && ahead_->WantsRowsAhead(driver_)) ReadAhead();
  return ora::kOk;
}

// Reads the driver's next rows ahead of the job (its snapshot was fixed at
// the open, so when they are read changes nothing) and sends the look-ups
// they lead to, as one batch. The end of the result, or its failure with
// the message, is kept to be delivered after the rows.
void OdbcStatement::ReadAhead() {
  deferFailure_ = true;
  while (open_ && rowsHeld_.size() < kAheadRows) {
    const int32_t status = FetchLive();
    if (status != ora::kOk) {
      heldEnd_ = status;
      endHeld_ = true;
      break;
    }
    AheadValues row = LiveRow();
    ahead_->RowAhead(driver_, ++rowsRead_, row);
    rowsHeld_.push_back(std::move(row));
  }
  deferFailure_ = false;
  row_ = held_;  // the job's row is the held one; the cells have moved on
  ahead_->Flush();
}

void OdbcStatement::EndDriver() {
  if (driver_) ahead_->DriverClosed(driver_);
  driver_ = 0;
}

// The next row of the open result into the bound cells: 0, 1403 at its end
// (then closed), or a failure.
int32_t OdbcStatement::FetchLive() {
  row_ = false;
  const SQLRETURN rc = SQLFetch(stmt_);
  if (rc == SQL_NO_DATA) {
    SQLFreeStmt(stmt_, SQL_CLOSE);
    open_ = false;
    return ora::kNoRow;
  }
  if (!SQL_SUCCEEDED(rc)) return Failure(rc);
  ++fetched_;
  for (size_t c = 0; c < cells_.size(); ++c) {
    CellValue& cell = cells_[c];
    cell.overflowed = false;
    if (cell.indicator == SQL_NULL_DATA) continue;
    // The driver cut a value longer than the buffer (and ended it with a NUL).
    if (cell.indicator == SQL_NO_TOTAL || static_cast<size_t>(cell.indicator) >= cell.buffer.size()) {
      const int32_t status = ReadWhole(c);
      if (status != ora::kOk) return status;
    }
  }
  row_ = true;
  return ora::kOk;
}

int32_t OdbcStatement::ReadWhole(size_t column) {
  CellValue& cell = cells_[column];
  std::string& text = cell.overflow;
  text.resize(cell.buffer.size() * 2);
  size_t have = 0;
  for (;;) {
    SQLLEN indicator = 0;
    const SQLRETURN got = SQLGetData(stmt_, static_cast<SQLUSMALLINT>(column + 1), SQL_C_CHAR, text.data() + have,
                                     static_cast<SQLLEN>(text.size() - have), &indicator);
    if (got == SQL_NO_DATA) break;
    if (!SQL_SUCCEEDED(got)) return Failure(got);
    if (indicator == SQL_NULL_DATA) return Failure(SQL_ERROR);  // the fetch said it is not NULL
    const size_t room = text.size() - have - 1;  // the driver ends each piece with a NUL
    if (got == SQL_SUCCESS_WITH_INFO && (indicator == SQL_NO_TOTAL || static_cast<size_t>(indicator) > room)) {
      have += room;
      text.resize(text.size() * 2);
      continue;
    }
    have += static_cast<size_t>(indicator);
    break;
  }
  text.resize(have);
  cell.overflowed = true;
  cell.indicator = static_cast<SQLLEN>(have);
  // The column's later rows fit its buffer.
  if (!BindColumn(column, have + 1)) return Failure(SQL_ERROR);
  return ora::kOk;
}

OdbcStatement::OdbcStatement(OdbcConnection& conn, SQLHSTMT stmt, std::string sql, EarlyAnswers* ahead, int aheadId)
    : conn_(conn), stmt_(stmt), sql_(std::move(sql)), ahead_(ahead), aheadId_(aheadId) {
  conn_.Register(this);
}

OdbcStatement::~OdbcStatement() {
  EndDriver();
  if (open_) SQLFreeStmt(stmt_, SQL_CLOSE);
  if (stmt_ != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
  conn_.Unregister(this);
}

void OdbcStatement::Orphan() {
  SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
  stmt_ = SQL_NULL_HSTMT;
  open_ = row_ = false;
}

void OdbcStatement::Reset() {
  if (open_) SQLFreeStmt(stmt_, SQL_CLOSE);
  // An execution served from an early answer ran nothing on the connection.
  const bool ran = started_ && !served_;
  EndDriver();
  rowsHeld_.clear();
  current_.clear();
  endHeld_ = served_ = held_ = false;
  rowsTaken_ = rowsRead_ = 0;
  open_ = row_ = started_ = false;
  affected_ = 0;
  // The bindings stay; a parameter the next execution does not set is NULL.
  for (auto& v : values_) v.kind = Value::Kind::Null;
  if (ran) conn_.CursorDone(fetched_);
}

SQLHSTMT OdbcStatement::PrepareOn(SQLHDBC dbc) {
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt))) return SQL_NULL_HSTMT;
  if (!SQL_SUCCEEDED(SQLPrepare(stmt, reinterpret_cast<SQLCHAR*>(sql_.data()), static_cast<SQLINTEGER>(sql_.size())))) {
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return SQL_NULL_HSTMT;
  }
  return stmt;
}

void OdbcStatement::Adopt(SQLHSTMT stmt) {
  if (open_) SQLFreeStmt(stmt_, SQL_CLOSE);
  SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
  stmt_ = stmt;
  open_ = row_ = started_ = false;
  // Parameters and columns are bound anew on the new handle.
  described_ = false;
  cells_.clear();
  checked_.clear();
  for (auto& v : values_) v.boundType = 0;
}

void OdbcConnection::CursorDone(int64_t rows) {
  if (!streaming_ || settled_) return;
  if (rows >= kStreamRows) {
    settled_ = true;
    return;
  }
  if (++shortOpens_ < kShortOpens) return;
  // Another statement of the connection still runs: the next end decides.
  for (const OdbcStatement* st : statements_)
    if (st->Busy()) return;
  settled_ = true;
  SQLHDBC dbc = SQL_NULL_HDBC;
  if (Connect(Odbc_ConnectString(service_ + kPgNoDriverRollback, user_, password_), dbc) != ora::kOk) return;
  bool ready = SetUpPgSession(dbc);
  // Every statement is prepared on the new connection before any leaves the
  // old one: a failure leaves all of them streaming.
  std::vector<SQLHSTMT> moved;
  for (size_t i = 0; ready && i < statements_.size(); ++i) {
    moved.push_back(statements_[i]->PrepareOn(dbc));
    ready = moved.back() != SQL_NULL_HSTMT;
  }
  if (!ready) {
    for (SQLHSTMT h : moved)
      if (h != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, h);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    return;
  }
  for (size_t i = 0; i < statements_.size(); ++i) statements_[i]->Adopt(moved[i]);
  if (control_ != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, control_);
  control_ = SQL_NULL_HSTMT;
  SQLDisconnect(dbc_);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
  dbc_ = dbc;
  streaming_ = false;
}

// Connects to `service`, with the driver's own rollback off
// (kPgNoDriverRollback) when `postgres`, and a cursor connection then
// streaming (kPgStreaming). A connection that turns out to reach
// PostgreSQL without them is made again with them; the cursor connections
// opened from it know the server and have them at once.
// The transport of the look-ups sent ahead: connections with the main
// connection's settings (`connect`, its connect string), read-only in
// autocommit mode.
std::unique_ptr<AheadTransport> OpenAhead(const std::string& dbms, const std::string& connect) {
  OdbcAheadServer server;
  server.dbms = dbms;
  server.connect = [dbms, connect]() -> void* {
    SQLHDBC dbc = SQL_NULL_HDBC;
    if (Connect(connect, dbc) != ora::kOk) return nullptr;
    if (dbms == kPostgres && !SetUpPgSession(dbc)) {
      SQLDisconnect(dbc);
      SQLFreeHandle(SQL_HANDLE_DBC, dbc);
      return nullptr;
    }
    return dbc;
  };
  server.failure = [dbms](int16_t type, void* handle) { return Describe(dbms, type, handle); };
  return std::make_unique<OdbcAhead>(std::move(server));
}

int32_t Open(const std::string& user, const std::string& password, const std::string& service, bool cursor,
             bool postgres, std::shared_ptr<EarlyAnswers> ahead, std::unique_ptr<EngineConnection>& out) {
  const bool streaming = postgres && cursor;
  std::string attributes = postgres ? kPgNoDriverRollback : "";
  if (streaming) attributes += kPgStreaming;
  SQLHDBC dbc = SQL_NULL_HDBC;
  const int32_t connected = Connect(Odbc_ConnectString(service + attributes, user, password), dbc);
  if (connected != ora::kOk) return connected;
  SQLCHAR name[64] = {};
  SQLSMALLINT nameLength = 0;
  SQLGetInfo(dbc, SQL_DBMS_NAME, name, sizeof name, &nameLength);
  const std::string dbms = g_assumedServer ? *g_assumedServer : reinterpret_cast<const char*>(name);
  if (!Odbc_KnowsServer(dbms)) {
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    return ora::kNoSuchEngine;
  }
  if (dbms == kPostgres && !postgres) {
    // PostgreSQL's driver guards every statement inside a transaction with a
    // savepoint of its own, whose release also drops the savepoints set
    // under it: the engine's own savepoints would not last. Connected again
    // with that off, the engine guards its statements itself.
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    return Open(user, password, service, cursor, true, std::move(ahead), out);
  }
  if (!cursor && Engine_AheadEnabled()) {
    // The look-ups sent ahead get connections of their own when first needed.
    const std::string connect = Odbc_ConnectString(service + attributes, user, password);
    ahead = std::make_shared<EarlyAnswers>([dbms, connect] { return OpenAhead(dbms, connect); });
  }
  auto connection =
      std::make_unique<OdbcConnection>(dbc, dbms, user, password, service, cursor, streaming, std::move(ahead));
  if (dbms == kPostgres && connection->ExecDirect(Pg_SessionSetup()) != ora::kOk) return ora::kInternal;
  out = std::move(connection);
  return ora::kOk;
}

int32_t OdbcConnection::OpenCursorConnection(std::unique_ptr<EngineConnection>& out) {
  if (lost_) return ora::kNotConnected;
  return Open(user_, password_, service_, true, dbms_ == kPostgres, ahead_, out);
}

}  // namespace

int32_t Odbc_Connect(const std::string& user, const std::string& password, const std::string& service,
                     std::unique_ptr<EngineConnection>& out) {
  return Open(user, password, service, false, false, nullptr, out);
}

bool Odbc_KnowsServer(const std::string& dbms) { return dbms == kOracle || dbms == kPostgres; }

int32_t Odbc_MapDiagnostic(const std::string& dbms, const std::string& sqlstate, int32_t native,
                           const std::string& message) {
  // The query timeout that bounds a lock wait, and its cancel (which Oracle
  // words as ORA-01013), whatever the message says.
  if (sqlstate == "HYT00" || sqlstate == "HYT01" || sqlstate == "HY008") return ora::kBusy;
  // A site's own rules raise Oracle's numbers, on any server.
  if (const int32_t raised = Engine_RaisedStatus(message)) return raised;
  // The driver manager's and the driver's own states, the same on every server.
  if (sqlstate == "IM002" || sqlstate == "IM003" || sqlstate == "IM007") return ora::kServiceUnknown;
  if (sqlstate == "28000") return ora::kBadLogin;
  if (dbms == kOracle)
    if (const int32_t status = Oracle_MapNativeError(native)) return status;
  if (dbms.empty()) {
    // While connecting the server is not known yet: Oracle's client gave its
    // number above; PostgreSQL's words tell a refused login from a server
    // that cannot be reached.
    if (sqlstate == "08001" || sqlstate == "08004" || sqlstate.empty()) return Pg_MapConnectFailure(message.c_str());
  }
  if (sqlstate == "08S01") return ora::kNotConnected;
  return Pg_MapSqlState(sqlstate.empty() ? nullptr : sqlstate.c_str());
}

void Odbc_SetPrepareRecorder(std::function<void(const std::string&)> recorder) { g_recorder = std::move(recorder); }

void Odbc_AssumeServerForTest(const char* dbms) {
  if (dbms)
    g_assumedServer = dbms;
  else
    g_assumedServer.reset();
}

}  // namespace zeldb
