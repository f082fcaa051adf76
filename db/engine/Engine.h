// The narrow interface between the database module and a database engine.
//
// db/Dbstd and db/DbDb never talk to an engine's own API: they run
// statement texts, already translated by the engine's dialect
// (db/engine/Dialect.h), through these two classes. An engine implements
// them with Oracle's semantics:
//
//  - Every method returns a status of util/OraStatus.h: 0, 1403, or a negative
//    Oracle number mapped from the engine's own error. Nothing throws.
//  - A failed statement undoes only itself; the connection goes on normally.
//  - Work is transactional as in Oracle: a write opens a transaction that
//    stays pending until Commit or Rollback; savepoints nest inside it.
//  - Bound empty texts are NULL (the caller binds them with BindNull).
//  - Closing a connection (destroying it) rolls back what it left pending,
//    as does the end of the process.
//
// The transaction part (BeginWrite to Rollback, and the statement-level
// rollback) is one policy for every engine, db/engine/TransactionPolicy.h;
// an engine gives it its transaction control statements.
//
// A session has one main connection for its single-row reads and writes and
// opens one further connection per open cursor (OpenCursorConnection), so
// that a cursor reads a consistent snapshot taken at its open and streams
// its rows while the main connection commits and rolls back beside it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "db/engine/Dialect.h"

namespace zeldb {

class EarlyAnswers;

// One prepared statement of a connection. Prepared once per run and reused:
// Reset() ends an execution and keeps the preparation.
class EngineStatement {
 public:
  virtual ~EngineStatement() = default;

  // Parameters are numbered from 1 in the translated text.
  virtual void BindNull(int index) = 0;
  virtual void BindInt(int index, int64_t value) = 0;
  virtual void BindDouble(int index, double value) = 0;
  virtual void BindText(int index, std::string_view value) = 0;

  // Executes (first call after Reset) or advances. 0: a row is available in
  // the column accessors; 1403: no (further) row, or a write is done;
  // negative: failure (the statement's own effect is undone).
  virtual int32_t Step() = 0;

  // Columns of the current row, numbered from 0. Valid until the next Step or Reset.
  // A NULL reads as 0, 0.0 and the empty text: callers that want no more
  // than that need not ask ColumnIsNull first.
  virtual bool ColumnIsNull(int column) = 0;
  virtual int64_t ColumnInt(int column) = 0;
  virtual double ColumnDouble(int column) = 0;
  virtual std::string_view ColumnText(int column) = 0;

  // The status of the current row itself: 0, or the failure of a value in
  // it that the engine could not convert. Such a failure travels with its
  // row (see SqlFlavor::ToCharColumn), so that it is reported when that row
  // is fetched and every row before it arrives whole.
  virtual int32_t RowStatus() { return 0; }

  // Rows changed by the last write.
  virtual int64_t RowsAffected() = 0;

  // Ends the current execution (releases its snapshot and locks). The values
  // bound may stay bound: every execution binds all its parameters anew.
  virtual void Reset() = 0;
};

class EngineConnection {
 public:
  virtual ~EngineConnection() = default;

  // How Oracle texts are rendered for this engine.
  virtual const SqlFlavor& Flavor() const = 0;

  // A table statement's Oracle text as this connection prepares it: through
  // the flavor, unless the server speaks Oracle's SQL itself.
  virtual Translation Render(std::string_view oracleText) const { return Translate(oracleText, Flavor()); }

  // Prepares translated SQL. Returns 0 or a negative status (-942, -904 ...).
  virtual int32_t Prepare(const std::string& sql, std::unique_ptr<EngineStatement>& out) = 0;

  // Called before every insert, update or delete: opens the transaction that
  // Oracle would open implicitly, when none is open.
  virtual int32_t BeginWrite() = 0;

  virtual int32_t Savepoint(const std::string& name) = 0;
  // The savepoint before one write that is committed at once if it succeeds
  // (Stmt_Write). An engine may send that commit along with the write; the
  // Commit() that follows then reports the status of that commit instead of
  // committing again.
  virtual int32_t SavepointCommitOnSuccess(const std::string& name) { return Savepoint(name); }
  // Undoes the work since the savepoint; the transaction stays open, unless
  // nothing was pending before the savepoint (then nothing is held either).
  virtual int32_t RollbackToSavepoint(const std::string& name) = 0;
  virtual int32_t Commit() = 0;
  virtual int32_t Rollback() = 0;

  // Runs engine SQL as it stands, outside the statement table: for the
  // set-up tool and the tests that prepare data. The jobs never use it.
  virtual int32_t ExecDirect(const std::string& sql) = 0;

  // A further connection to the same database for one cursor.
  virtual int32_t OpenCursorConnection(std::unique_ptr<EngineConnection>& out) = 0;

  // Read-only looks at the server for people (the statuses above stay the
  // contract; the jobs use neither):

  // The server's own words for the last failure on this connection (of a
  // statement prepared on it included) in one line, and forgets them: empty
  // when nothing failed since the last call. A success in between does not
  // clear them, so the caller takes them before a statement and after it.
  virtual std::string TakeFailureMessage() = 0;

  // The declared width in characters of text column `column` of `table`
  // (named as the statements name it: "Mvs510Prv", "MvSystem.Mvs301Asw"),
  // as the server's catalogue describes it. 0 with `width` set (0 when the
  // column declares no width or holds no text), 1403 when the catalogue
  // knows no such table or column, or a negative status.
  virtual int32_t ColumnWidth(const std::string& table, const std::string& column, int& width) = 0;

  // The look-ups sent ahead that this connection's statements take part in
  // (db/engine/EarlyAnswers.h), shared by a session's connections; nullptr
  // when the engine sends nothing ahead or the sending is off.
  virtual EarlyAnswers* Ahead() { return nullptr; }
};

}  // namespace zeldb
