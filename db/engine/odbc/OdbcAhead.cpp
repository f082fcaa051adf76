#include "db/engine/odbc/OdbcAhead.h"

// The ODBC headers take the Windows types from <windows.h> there.
#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <utility>

#include "db/engine/RaisedStatus.h"
#include "db/engine/odbc/OdbcEngine.h"
#include "db/server/postgres/PgFlavor.h"
#include "util/OraStatus.h"

namespace zeldb {
namespace {

// Oracle's failures that say something about the data rather than the
// connection that met them: the same on whichever connection runs the
// look-up (a conversion, a value too large, more rows than one).
bool OracleDataStatus(int32_t status) {
  const int32_t n = -status;
  return n == 1 || n == 1400 || n == 1407 || n == 1422 || n == 1427 || n == 1438 || n == 1455 || n == 1476 ||
         n == 1722 || (n >= 1800 && n <= 1899) || n == 2290 || n == 2291 || n == 2292 || n == 12899 ||
         (n >= 20000 && n <= 20999);
}

// The text of column `column` of the current row, whole (nullopt: NULL);
// false when the driver fails to give it.
bool ReadColumn(SQLHSTMT stmt, SQLUSMALLINT column, std::optional<std::string>& out) {
  std::string text;
  char piece[512];
  for (;;) {
    SQLLEN indicator = 0;
    const SQLRETURN rc = SQLGetData(stmt, column, SQL_C_CHAR, piece, sizeof piece, &indicator);
    if (rc == SQL_NO_DATA) break;  // the last piece was read already
    if (!SQL_SUCCEEDED(rc)) return false;
    if (indicator == SQL_NULL_DATA) {
      out.reset();
      return true;
    }
    // A piece that did not fit comes back cut, ended with a NUL.
    if (rc == SQL_SUCCESS_WITH_INFO && (indicator == SQL_NO_TOTAL || static_cast<size_t>(indicator) >= sizeof piece)) {
      text.append(piece, sizeof piece - 1);
      continue;
    }
    text.append(piece, static_cast<size_t>(indicator));
    break;
  }
  out = std::move(text);
  return true;
}

}  // namespace

// One connection of the transport and the statements prepared on it; its
// fields belong to its thread alone (the thread itself and `session` apart,
// which the job's thread sets before it starts and reads after it ended).
struct OdbcAhead::Worker {
  struct Prepared {
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    std::vector<SQLSMALLINT> types;  // each parameter's SQL type, as the server describes it
    std::vector<int> checked;        // columns that may carry their row's fault
    SQLSMALLINT columns = 0;
  };
  std::thread thread;
  SQLHDBC dbc = SQL_NULL_HDBC;
  std::unordered_map<int, Prepared> prepared;
};

OdbcAhead::OdbcAhead(OdbcAheadServer server) : server_(std::move(server)) {}

OdbcAhead::~OdbcAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  work_.notify_all();
  for (auto& w : workers_) w->thread.join();
}

void OdbcAhead::Start() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    connecting_ = kOdbcAheadConnections;
  }
  for (int i = 0; i < kOdbcAheadConnections; ++i) {
    workers_.push_back(std::make_unique<Worker>());
    Worker& w = *workers_.back();
    w.thread = std::thread([this, &w] { Run(w); });
  }
}

bool OdbcAhead::Send(uint64_t ticket, int statement, const std::string& sql, bool cursor, const AheadValues& values) {
  if (workers_.empty()) Start();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (lost_) return false;
    // Queued at once: an idle worker takes it while the rest of its batch
    // is read, which is what Flush would otherwise wait for.
    queue_.push_back({ticket, statement, sql, cursor, values});
  }
  work_.notify_one();
  return true;
}

bool OdbcAhead::Flush() {
  std::lock_guard<std::mutex> lock(mutex_);
  return !lost_;
}

AheadReceipt OdbcAhead::Take(uint64_t ticket) {
  std::unique_lock<std::mutex> lock(mutex_);
  answered_.wait(lock, [&] { return lost_ || answers_.count(ticket) != 0; });
  AheadReceipt receipt;
  const auto found = answers_.find(ticket);
  if (found != answers_.end()) {
    receipt = std::move(found->second);
    answers_.erase(found);
  }
  // Once a connection is lost nothing more is served, answers in hand included.
  if (lost_) {
    receipt.outcome = AheadOutcome::Lost;
    receipt.answer.reset();
  }
  return receipt;
}

std::vector<int> OdbcAhead::ServerSessions() const {
  // Every connection made first: a test that ends them all ends them all.
  std::unique_lock<std::mutex> lock(mutex_);
  connected_.wait(lock, [&] { return connecting_ == 0; });
  return sessions_;
}

void OdbcAhead::Run(Worker& w) {
  w.dbc = static_cast<SQLHDBC>(server_.connect());
  int session = 0;
  if (w.dbc != SQL_NULL_HDBC && server_.dbms == kPostgres) {
    // The server's number of this session, for the tests that end it.
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, w.dbc, &stmt))) {
      char sql[] = "select pg_backend_pid()";
      std::optional<std::string> pid;
      if (SQL_SUCCEEDED(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(sql), SQL_NTS)) &&
          SQL_SUCCEEDED(SQLFetch(stmt)) && ReadColumn(stmt, 1, pid) && pid)
        session = std::atoi(pid->c_str());
      SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    }
  }
  std::unique_lock<std::mutex> lock(mutex_);
  if (w.dbc == SQL_NULL_HDBC) {
    // A connection that cannot be made fails the transport as a lost one does.
    lost_ = true;
    answered_.notify_all();
  } else if (session != 0) {
    sessions_.push_back(session);
  }
  --connecting_;
  connected_.notify_all();
  while (w.dbc != SQL_NULL_HDBC) {
    work_.wait(lock, [&] { return stopping_ || lost_ || !queue_.empty(); });
    if (stopping_ || lost_) break;
    Lookup l = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    AheadReceipt receipt = Answer(w, l);
    lock.lock();
    if (receipt.outcome == AheadOutcome::Lost && !lost_) {
      lost_ = true;
      queue_.clear();
      work_.notify_all();
    }
    answers_[l.ticket] = std::move(receipt);
    answered_.notify_all();
  }
  if (session != 0) std::erase(sessions_, session);
  lock.unlock();
  for (auto& [statement, p] : w.prepared) SQLFreeHandle(SQL_HANDLE_STMT, p.stmt);
  w.prepared.clear();
  if (w.dbc != SQL_NULL_HDBC) {
    SQLDisconnect(w.dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, w.dbc);
    w.dbc = SQL_NULL_HDBC;
  }
}

AheadReceipt OdbcAhead::Failed(Worker& w, int16_t type, void* handle, bool preparing,
                               std::unique_ptr<OdbcAnswer> rows) {
  const OdbcFailure f = server_.failure(type, handle);
  AheadReceipt receipt;
  SQLUINTEGER dead = SQL_CD_FALSE;
  SQLGetConnectAttr(w.dbc, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
  if (f.status == ora::kNotConnected || f.sqlstate.rfind("08", 0) == 0 || dead == SQL_CD_TRUE) {
    receipt.outcome = AheadOutcome::Lost;
    return receipt;
  }
  if (preparing) {
    receipt.outcome = AheadOutcome::Unfit;
    return receipt;
  }
  const std::string cls = f.sqlstate.substr(0, 2);
  const bool data = cls == "21" || cls == "22" || cls == "23" || Engine_RaisedStatus(f.message) != 0 ||
                    (server_.dbms == kOracle && OracleDataStatus(f.status));
  if (!data || !ora::IsFailure(f.status)) {
    receipt.outcome = AheadOutcome::Unusable;
    return receipt;
  }
  rows->end = f.status;
  rows->message = f.message;
  receipt.outcome = AheadOutcome::Answer;
  receipt.answer = std::move(rows);
  return receipt;
}

AheadReceipt OdbcAhead::Answer(Worker& w, const Lookup& l) {
  Worker::Prepared& p = w.prepared[l.statement];
  if (p.stmt == SQL_NULL_HSTMT) {
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, w.dbc, &stmt))) {
      w.prepared.erase(l.statement);
      return Failed(w, SQL_HANDLE_DBC, w.dbc, true, nullptr);
    }
    // As the main connection's statements on Oracle.
    if (server_.dbms == kOracle)
      SQLSetStmtAttr(stmt, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(kOdbcLockWaitSeconds), 0);
    std::string sql = l.sql;
    if (!SQL_SUCCEEDED(SQLPrepare(stmt, reinterpret_cast<SQLCHAR*>(sql.data()), static_cast<SQLINTEGER>(sql.size()))) ||
        !SQL_SUCCEEDED(SQLNumResultCols(stmt, &p.columns))) {
      AheadReceipt receipt = Failed(w, SQL_HANDLE_STMT, stmt, true, nullptr);
      SQLFreeHandle(SQL_HANDLE_STMT, stmt);
      w.prepared.erase(l.statement);
      return receipt;
    }
    p.stmt = stmt;
    // The values travel as texts, bound as the parameters' own types: a
    // text bound as VARCHAR would not compare with a number column.
    SQLSMALLINT params = 0;
    SQLNumParams(stmt, &params);
    for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(params); ++i) {
      SQLSMALLINT type = SQL_VARCHAR, digits = 0, nullable = 0;
      SQLULEN size = 0;
      if (!SQL_SUCCEEDED(SQLDescribeParam(stmt, i, &type, &size, &digits, &nullable)) || type == SQL_UNKNOWN_TYPE)
        type = SQL_VARCHAR;
      p.types.push_back(type);
    }
    if (server_.dbms == kPostgres) {
      for (SQLSMALLINT c = 1; c <= p.columns; ++c) {
        SQLCHAR name[128] = {};
        SQLSMALLINT length = 0;
        SQLColAttribute(stmt, static_cast<SQLUSMALLINT>(c), SQL_DESC_NAME, name, sizeof name, &length, nullptr);
        if (std::strcmp(reinterpret_cast<const char*>(name), kPgCheckedColumn) == 0) p.checked.push_back(c - 1);
      }
    }
  }
  SQLHSTMT stmt = p.stmt;
  std::vector<SQLLEN> indicators(l.values.size());
  for (size_t i = 0; i < l.values.size(); ++i) {
    const std::optional<std::string>& v = l.values[i];
    const SQLSMALLINT type = i < p.types.size() ? p.types[i] : SQL_VARCHAR;
    indicators[i] = v ? static_cast<SQLLEN>(v->size()) : SQL_NULL_DATA;
    const SQLULEN size = v ? std::max<SQLULEN>(v->size(), 1) : 1;
    SQLPOINTER buffer = v ? const_cast<char*>(v->data()) : nullptr;
    if (!SQL_SUCCEEDED(SQLBindParameter(stmt, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT, SQL_C_CHAR, type,
                                        size, 0, buffer, static_cast<SQLLEN>(size), &indicators[i]))) {
      SQLFreeStmt(stmt, SQL_RESET_PARAMS);
      return AheadReceipt{};
    }
  }
  auto answer = std::make_unique<OdbcAnswer>();
  answer->checked = p.checked;
  AheadReceipt receipt;
  SQLRETURN rc = SQLExecute(stmt);
  if (rc != SQL_NO_DATA && !SQL_SUCCEEDED(rc)) {
    receipt = Failed(w, SQL_HANDLE_STMT, stmt, false, std::move(answer));
  } else {
    receipt.outcome = AheadOutcome::Answer;
    for (;;) {
      rc = p.columns > 0 ? SQLFetch(stmt) : SQL_NO_DATA;
      if (rc == SQL_NO_DATA) {
        answer->end = ora::kNoRow;
        receipt.answer = std::move(answer);
        break;
      }
      if (!SQL_SUCCEEDED(rc)) {
        receipt = Failed(w, SQL_HANDLE_STMT, stmt, false, std::move(answer));
        break;
      }
      // Too long to be kept: a cursor's is not sent ahead again; a
      // single-row read's is the job's own failure to meet.
      if (answer->rows.size() == kAheadCursorRows) {
        receipt.outcome = l.cursor ? AheadOutcome::Unfit : AheadOutcome::Unusable;
        break;
      }
      AheadValues row(static_cast<size_t>(p.columns));
      bool read = true;
      for (SQLSMALLINT c = 1; read && c <= p.columns; ++c)
        read = ReadColumn(stmt, static_cast<SQLUSMALLINT>(c), row[static_cast<size_t>(c - 1)]);
      if (!read) {
        receipt = Failed(w, SQL_HANDLE_STMT, stmt, false, std::move(answer));
        break;
      }
      answer->rows.push_back(std::move(row));
    }
  }
  SQLFreeStmt(stmt, SQL_CLOSE);
  SQLFreeStmt(stmt, SQL_RESET_PARAMS);
  return receipt;
}

}  // namespace zeldb
