#include "db/engine/sqlite/SqliteEngine.h"

#include <sqlite3.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "db/engine/EngineCounters.h"
#include "db/engine/PolicyConnection.h"
#include "db/engine/TransactionPolicy.h"
#include "db/server/sqlite/SqliteFunctions.h"
#include "db/server/sqlite/SqliteSession.h"
#include "platform/Clock.h"
#include "util/OraStatus.h"

namespace zeldb {
namespace {

int g_busyTimeoutMs = kSqliteBusyTimeoutMs;

// "sysdate" and "trunc(sysdate)" are the flavor's parameters with these
// fixed numbers (db/server/sqlite/SqliteFlavor.h). They are bound once per
// execution: the whole statement, a cursor's every fetch included, sees one
// clock reading, as Oracle's sysdate does.
constexpr int kSysdateParam = kSqliteSysdateParam;
constexpr int kTodayParam = kSqliteTodayParam;

// The message of the last failure of each open connection. Kept here, at
// the one place every failure passes, because SQLite's own message is
// replaced by the next call on the connection (the rollback that follows a
// failed write among them).
std::mutex g_failureMutex;
std::unordered_map<sqlite3*, std::string> g_lastFailure;

int32_t MapError(sqlite3* db, int rc) {
  const int32_t status = Sqlite_MapError(rc, db ? sqlite3_extended_errcode(db) : rc, db ? sqlite3_errmsg(db) : "");
  if (db && status != ora::kOk) {
    const std::lock_guard<std::mutex> lock(g_failureMutex);
    g_lastFailure[db] = sqlite3_errmsg(db);
  }
  return status;
}

void ForgetFailure(sqlite3* db) {
  const std::lock_guard<std::mutex> lock(g_failureMutex);
  g_lastFailure.erase(db);
}

// The clock as the statements see it: "sysdate" and "trunc(sysdate)" in the
// stored form. Most statements of a job bind them, several per row, so the
// texts are formatted once per second of the clock, not once per statement.
struct ClockTexts {
  std::time_t at = -1;
  std::string now;
  std::string today;
};

const ClockTexts& Clock() {
  static ClockTexts texts;
  const std::time_t now = Plat_Now();
  if (now != texts.at) {
    std::tm local{};
    Plat_LocalTime(now, local);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &local);
    texts.now = buf;
    std::strftime(buf, sizeof buf, "%Y-%m-%d 00:00:00", &local);
    texts.today = buf;
    texts.at = now;
  }
  return texts;
}

// Commits made by the connections of this process. A cursor that has seen
// many of them since its open moves its remaining rows aside (see
// SqliteStatement::SetAside).
uint64_t g_commits = 0;
int g_setAsideTables = 0;
// A cursor released its snapshot: the log can be checkpointed at the next commit.
bool g_snapshotReleased = false;

class SqliteStatement final : public EngineStatement {
 public:
  SqliteStatement(sqlite3* db, sqlite3_stmt* stmt, TransactionPolicy& policy) : db_(db), stmt_(stmt), policy_(policy) {
    const int count = sqlite3_bind_parameter_count(stmt_);
    bindsSysdate_ = count >= kSysdateParam;
    bindsToday_ = count >= kTodayParam;
    int hostParameters = 0;
    for (int index = 1; index <= count && index < kSysdateParam; ++index)
      if (sqlite3_bind_parameter_name(stmt_, index)) hostParameters = index;
    // Sized once: SQLite keeps pointers into these texts until they are bound anew.
    texts_.resize(static_cast<size_t>(hostParameters) + 1);
    carriesFaults_ = std::strstr(sqlite3_sql(stmt_), "ora_to_char_row(") != nullptr;
    readOnly_ = sqlite3_stmt_readonly(stmt_) != 0;
  }
  ~SqliteStatement() override {
    sqlite3_finalize(asideRead_);
    sqlite3_finalize(asideInsert_);
    sqlite3_finalize(asideClear_);
    sqlite3_finalize(stmt_);
  }

  void BindNull(int index) override {
    sqlite3_bind_null(stmt_, index);
  }
  void BindInt(int index, int64_t value) override {
    sqlite3_bind_int64(stmt_, index, value);
  }
  void BindDouble(int index, double value) override {
    sqlite3_bind_double(stmt_, index, value);
  }
  // The text is copied into a buffer of the statement that lives until the
  // parameter is bound anew (a cursor steps on after its open returned, so
  // the caller's text is not enough), instead of into memory that SQLite
  // allocates and frees for every execution.
  void BindText(int index, std::string_view value) override {
    std::string* buffer = index == kSysdateParam                    ? &nowText_
                          : index == kTodayParam                    ? &todayText_
                          : static_cast<size_t>(index) < texts_.size() ? &texts_[static_cast<size_t>(index)]
                                                                    : nullptr;
    // A running statement refuses the value and keeps the old one. Reset
    // ends every execution, so only a started one can be running.
    if (!buffer || started_) {
      sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
      return;
    }
    buffer->assign(value);
    sqlite3_bind_text(stmt_, index, buffer->data(), static_cast<int>(buffer->size()), SQLITE_STATIC);
  }

  int32_t Step() override {
    if (!started_) {
      commitsAtStart_ = g_commits;
      if (carriesFaults_) faultsAtStart_ = Sqlite_RowFaultsMade();
      if (bindsSysdate_ || bindsToday_) {
        // Reset keeps these two bindings: they are bound again only when
        // the clock has moved on to another second since.
        const ClockTexts& clock = Clock();
        if (clock.at != clockBound_) {
          if (bindsSysdate_) BindText(kSysdateParam, clock.now);
          if (bindsToday_) BindText(kTodayParam, clock.today);
          clockBound_ = clock.at;
        }
      }
      started_ = true;
    } else if (!setAside_ && readOnly_ && g_commits - commitsAtStart_ >= kSqliteSetAsideAfterCommits &&
               sqlite3_stmt_busy(stmt_)) {
      SetAside();
    }
    if (setAside_) return StepAside();
    // A read changes no rows: only a write counts them.
    const int64_t changesBefore = readOnly_ ? 0 : sqlite3_total_changes64(db_);
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return ora::kOk;
    if (rc == SQLITE_DONE) {
      if (!readOnly_) {
        changes_ = sqlite3_changes64(db_);
        // Rows changed by the statement or the triggers it fired.
        if (sqlite3_total_changes64(db_) != changesBefore) policy_.Changed();
      }
      return ora::kNoRow;
    }
    const int32_t status = MapError(db_, rc);
    sqlite3_reset(stmt_);
    return status;
  }

  bool ColumnIsNull(int column) override { return sqlite3_column_type(Current(), column) == SQLITE_NULL; }
  int64_t ColumnInt(int column) override { return sqlite3_column_int64(Current(), column); }
  double ColumnDouble(int column) override { return sqlite3_column_double(Current(), column); }
  std::string_view ColumnText(int column) override {
    const unsigned char* p = sqlite3_column_text(Current(), column);
    if (!p) return {};
    // The text ends at its terminator: no text of the schema holds a NUL
    // (a host record could not carry one either), and asking SQLite for
    // the length costs more than finding it.
    return std::string_view(reinterpret_cast<const char*>(p));
  }
  int32_t RowStatus() override {
    // No marker made since the execution began: none is in its rows.
    if (!carriesFaults_ || Sqlite_RowFaultsMade() == faultsAtStart_) return ora::kOk;
    const int columns = sqlite3_column_count(Current());
    for (int column = 0; column < columns; ++column)
      if (const int32_t fault = Sqlite_ColumnFault(Current(), column)) return fault;
    return ora::kOk;
  }
  int64_t RowsAffected() override { return changes_; }
  void Reset() override {
    if (setAside_) {
      sqlite3_reset(asideRead_);
      sqlite3_step(asideClear_);
      sqlite3_reset(asideClear_);
      setAside_ = false;
    }
    asideStatus_ = ora::kNoRow;
    sqlite3_reset(stmt_);
    // SQLite parses a statement again by itself when its connection's schema
    // changed (another program's DDL, or a table of rows set aside).
    if (const int again = sqlite3_stmt_status(stmt_, SQLITE_STMTSTATUS_REPREPARE, 1)) {
      Engine_Counters().preparations += static_cast<uint64_t>(again);
      Engine_Counters().repeatedPreparations += static_cast<uint64_t>(again);
    }
    // The host values stay bound: the next execution binds every one of
    // them anew, and clearing them first doubled the cost of binding. Each
    // text bound without a copy lies in a buffer of this statement.
    started_ = false;
    changes_ = 0;
  }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_;
  TransactionPolicy& policy_;  // of the statement's connection
  bool bindsSysdate_ = false;
  bool bindsToday_ = false;
  bool carriesFaults_ = false;  // a select item may carry its row's fault (ora_to_char_row)
  bool readOnly_ = false;       // changes no rows (a query)
  uint64_t faultsAtStart_ = 0;  // Sqlite_RowFaultsMade() when the execution began
  std::time_t clockBound_ = -1;  // the second of the clock texts bound (-1: none yet)
  bool started_ = false;
  int64_t changes_ = 0;
  std::vector<std::string> texts_;  // bound host texts, by parameter index
  std::string nowText_, todayText_;
  uint64_t commitsAtStart_ = 0;
  bool setAside_ = false;  // the rows come from the table set aside
  sqlite3_stmt* asideRead_ = nullptr;
  sqlite3_stmt* asideInsert_ = nullptr;
  sqlite3_stmt* asideClear_ = nullptr;
  int32_t asideStatus_ = ora::kNoRow;  // how the statement ended when its rows were set aside

  sqlite3_stmt* Current() const { return setAside_ ? asideRead_ : stmt_; }

  // A cursor keeps the snapshot of its open until it is closed, and while
  // it does, the write-ahead log cannot be checkpointed: it grows by every
  // page that the job writes meanwhile (two per stored row, for good), and
  // every read walks a longer log index. So a cursor that has outlived many
  // commits copies its remaining rows, still from its own snapshot, into a
  // temporary table of its connection and releases the snapshot; the
  // fetches go on from the copy. The rows and their order are the same; only
  // the place they come from changes. When the copy cannot be made, the
  // cursor simply goes on as before.
  void SetAside() {
    if (!asideRead_ && !PrepareAside()) return;
    int rc;
    while ((rc = sqlite3_step(stmt_)) == SQLITE_ROW) {
      for (int c = 0; c < sqlite3_column_count(stmt_); ++c)
        sqlite3_bind_value(asideInsert_, c + 1, sqlite3_column_value(stmt_, c));
      const int inserted = sqlite3_step(asideInsert_);
      sqlite3_reset(asideInsert_);
      if (inserted != SQLITE_DONE) {
        rc = inserted;
        break;
      }
    }
    // A failure while copying ends the cursor where the copy stopped, as it
    // would have ended it there without the copy.
    asideStatus_ = rc == SQLITE_DONE ? ora::kNoRow : MapError(db_, rc);
    sqlite3_reset(stmt_);
    setAside_ = true;
    Sqlite_SnapshotReleased();
  }

  bool PrepareAside() {
    const int columns = sqlite3_column_count(stmt_);
    const std::string table = "temp.zel_aside_" + std::to_string(++g_setAsideTables);
    std::string create = "CREATE TABLE " + table + " (", values;
    for (int c = 0; c < columns; ++c) {
      create += (c ? ",c" : "c") + std::to_string(c);
      values += (c ? ",?" : "?") + std::to_string(c + 1);
    }
    Engine_Counters().preparations += 4;  // the table and its three statements, once per cursor
    // The copy is written once and read once, in order: a small cache
    // suffices, and the copy's size stays out of the job's memory.
    sqlite3_exec(db_, "PRAGMA temp.cache_size=-256", nullptr, nullptr, nullptr);
    if (sqlite3_exec(db_, (create + ")").c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) return false;
    auto prepare = [this](const std::string& sql, sqlite3_stmt** out) {
      return sqlite3_prepare_v3(db_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, out, nullptr) == SQLITE_OK;
    };
    if (prepare("INSERT INTO " + table + " VALUES (" + values + ")", &asideInsert_) &&
        prepare("SELECT * FROM " + table + " ORDER BY rowid", &asideRead_) &&
        prepare("DELETE FROM " + table, &asideClear_))
      return true;
    for (sqlite3_stmt** st : {&asideInsert_, &asideRead_, &asideClear_}) {
      sqlite3_finalize(*st);
      *st = nullptr;
    }
    return false;
  }

  int32_t StepAside() {
    const int rc = sqlite3_step(asideRead_);
    if (rc == SQLITE_ROW) return ora::kOk;
    return rc == SQLITE_DONE ? asideStatus_ : MapError(db_, rc);
  }
};

// SQLite's automatic checkpoint runs after every commit once the log holds
// 1000 pages. While a reader keeps an older snapshot (a cursor of the job
// itself, open across the writes it makes row by row) no page can be copied
// back, yet every attempt first sorts the whole log: with one commit per row
// that made a U run quadratic in the number of rows. This checkpoint tries
// again only once the log has doubled since an attempt that was held back,
// and every 1000 pages as before when nothing holds it back.
constexpr int kCheckpointPages = kSqliteCheckpointPages;

int CheckpointAfterCommit(void* nextAttempt, sqlite3* db, const char* schema, int pages) {
  int& next = *static_cast<int*>(nextAttempt);
  if (pages < next && !(g_snapshotReleased && pages >= kCheckpointPages)) return SQLITE_OK;
  g_snapshotReleased = false;
  int logged = 0, copied = 0;
  const int rc = sqlite3_wal_checkpoint_v2(db, schema, SQLITE_CHECKPOINT_PASSIVE, &logged, &copied);
  next = rc == SQLITE_OK && copied >= logged ? kCheckpointPages : pages * 2;
  return SQLITE_OK;  // a checkpoint that cannot run now is no failure of the commit
}

class SqliteConnection final : public PolicyConnection {
 public:
  SqliteConnection(sqlite3* db, std::string path) : db_(db), path_(std::move(path)) {
    Sqlite_Configure(db_, nextCheckpoint_);
  }
  ~SqliteConnection() override {
    for (auto& [text, stmt] : control_) sqlite3_finalize(stmt);
    // Statements of this connection are owned by the session and are
    // finalized before it; close_v2 defers the close until they are.
    sqlite3_close_v2(db_);
    ForgetFailure(db_);
  }

  const SqlFlavor& Flavor() const override { return Sqlite_Flavor(); }

  int32_t Prepare(const std::string& sql, std::unique_ptr<EngineStatement>& out) override {
    CountPreparation(sql);
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                                      &stmt, nullptr);
    if (rc != SQLITE_OK) {
      const int32_t status = MapError(db_, rc);
      sqlite3_finalize(stmt);
      return status;
    }
    if (!stmt) return ora::kInvalidSql;  // an empty text
    out = std::make_unique<SqliteStatement>(db_, stmt, policy_);
    return ora::kOk;
  }

  int32_t OpenCursorConnection(std::unique_ptr<EngineConnection>& out) override { return Sqlite_Connect(path_, out); }

  int32_t ExecDirect(const std::string& sql) override {
    const int64_t changesBefore = sqlite3_total_changes64(db_);
    const int32_t status = Exec(sql);
    if (sqlite3_total_changes64(db_) != changesBefore) policy_.Changed();
    return status;
  }

  std::string TakeFailureMessage() override {
    const std::lock_guard<std::mutex> lock(g_failureMutex);
    const auto found = g_lastFailure.find(db_);
    if (found == g_lastFailure.end()) return {};
    std::string message = std::move(found->second);
    g_lastFailure.erase(found);
    return message;
  }

  // The width is the declared type's "(n)" (VARCHAR2(50)), else the length
  // check "length(<column>) <= n" of the table's definition, as the schema
  // writes it; a master table's schema name is not part of a SQLite name.
  int32_t ColumnWidth(const std::string& table, const std::string& column, int& width) override {
    width = 0;
    const std::string name = table.substr(table.find('.') == std::string::npos ? 0 : table.find('.') + 1);
    std::string declared;
    std::string definition;
    bool found = false;
    int32_t status = Query("select type from pragma_table_info(?1) where name = ?2 collate nocase", name, column,
                           declared, found);
    if (status != ora::kOk) return status;
    if (!found) return ora::kNoRow;
    status = Query("select sql from sqlite_master where type = 'table' and name = ?1 collate nocase",
                   name, column, definition, found);
    if (status != ora::kOk) return status;
    width = DeclaredWidth(declared);
    if (width == 0) width = LengthCheck(definition, column);
    return ora::kOk;
  }

 private:
  // The transaction control statements of the policy. IMMEDIATE takes the
  // write lock at the begin, inside the busy wait, so that the statements
  // of the transaction never meet a lock half-way. SQLite undoes a failed
  // statement by itself and keeps the transaction.
  int32_t Control(TxnControl what, const std::string& name, bool) override {
    switch (what) {
      case TxnControl::Begin:
        return Control("BEGIN IMMEDIATE");
      case TxnControl::Savepoint:
        return Control("SAVEPOINT " + name);
      case TxnControl::RollbackTo:
        return Control("ROLLBACK TO " + name);
      case TxnControl::Release:
        return Control("RELEASE " + name);
      case TxnControl::Commit: {
        ++Engine_Counters().commits;
        const int32_t status = Control("COMMIT");
        if (status == ora::kOk) ++g_commits;
        return status;
      }
      case TxnControl::Rollback:
        return Control("ROLLBACK");
    }
    return ora::kInternal;
  }
  bool InTransaction() const override { return !sqlite3_get_autocommit(db_); }
  bool KeepsTransactionAfterFailure() const override { return true; }

  // The first column of the first row of `sql` with the two texts bound.
  int32_t Query(const char* sql, const std::string& first, const std::string& second, std::string& out, bool& found) {
    found = false;
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr);
    if (rc != SQLITE_OK) {
      sqlite3_finalize(stmt);
      return MapError(db_, rc);
    }
    sqlite3_bind_text(stmt, 1, first.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 2, second.c_str(), -1, SQLITE_TRANSIENT);
    rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
      found = true;
      const unsigned char* text = sqlite3_column_text(stmt, 0);
      out = text ? reinterpret_cast<const char*>(text) : "";
    }
    const int32_t status = rc == SQLITE_ROW || rc == SQLITE_DONE ? ora::kOk : MapError(db_, rc);
    sqlite3_finalize(stmt);
    return status;
  }

  static std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  }

  // "VARCHAR2(50)", "varchar(50 char)": 50; no parenthesis: 0.
  static int DeclaredWidth(const std::string& type) {
    const size_t open = type.find('(');
    return open == std::string::npos ? 0 : std::atoi(type.c_str() + open + 1);
  }

  // n of "length(<column>) <= n" in the table's definition, or 0.
  static int LengthCheck(const std::string& definition, const std::string& column) {
    const std::string text = Lower(definition);
    const std::string check = "length(" + Lower(column) + ")";
    const size_t at = text.find(check);
    if (at == std::string::npos) return 0;
    size_t i = at + check.size();
    while (i < text.size() && text[i] == ' ') ++i;
    if (text.compare(i, 2, "<=") != 0) return 0;
    return std::atoi(text.c_str() + i + 2);
  }

  void CountPreparation(const std::string& sql) {
    EngineCounters& counters = Engine_Counters();
    ++counters.preparations;
    if (!prepared_.insert(sql).second) ++counters.repeatedPreparations;
  }

  // Transaction control of the engine itself. Every write of a job runs
  // three or four of these statements; each text is parsed once per
  // connection and kept, instead of being parsed again for every row.
  int32_t Control(const std::string& sql) {
    ++Engine_Counters().transactionStatements;
    sqlite3_stmt*& stmt = control_[sql];
    if (!stmt) {
      CountPreparation(sql);
      const int rc = sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                                        &stmt, nullptr);
      if (rc != SQLITE_OK) {
        const int32_t status = MapError(db_, rc);
        sqlite3_finalize(stmt);
        stmt = nullptr;
        return status;
      }
    }
    const int rc = sqlite3_step(stmt);
    const int32_t status = rc == SQLITE_DONE || rc == SQLITE_ROW ? ora::kOk : MapError(db_, rc);
    sqlite3_reset(stmt);
    return status;
  }

  int32_t Exec(const std::string& sql) {
    const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
    return rc == SQLITE_OK ? ora::kOk : MapError(db_, rc);
  }

  sqlite3* db_;
  std::string path_;
  std::unordered_set<std::string> prepared_;  // texts parsed on this connection, for the counters
  std::unordered_map<std::string, sqlite3_stmt*> control_;  // transaction control, prepared once
  int nextCheckpoint_ = kCheckpointPages;  // log size in pages at which to try a checkpoint
};

}  // namespace

void Sqlite_SetBusyTimeoutForTest(int milliseconds) { g_busyTimeoutMs = milliseconds; }

int32_t Sqlite_Connect(const std::string& path, std::unique_ptr<EngineConnection>& out) {
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return ora::kServiceUnknown;
  sqlite3* db = nullptr;
  // No SQLITE_OPEN_CREATE: a missing file must fail, never become a new empty database.
  const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    const int32_t status = MapError(db, rc);
    sqlite3_close_v2(db);
    return status == ora::kInternal ? ora::kServiceUnknown : status;
  }
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, g_busyTimeoutMs);
  // Reading the schema proves that the file is a usable database; the
  // journal mode is a property of the file and may already be set (or the
  // file may be read-only), so its outcome is not a reason to refuse.
  int check = sqlite3_exec(db, "select count(*) from sqlite_master", nullptr, nullptr, nullptr);
  if (check != SQLITE_OK) {
    const int32_t status = MapError(db, check);
    sqlite3_close_v2(db);
    return status;
  }
  out = std::make_unique<SqliteConnection>(db, path);
  return ora::kOk;
}

void Sqlite_Configure(sqlite3* db, int& nextCheckpoint) {
  sqlite3_busy_timeout(db, g_busyTimeoutMs);
  Sqlite_SessionSetup(db);
  nextCheckpoint = kCheckpointPages;
  sqlite3_wal_hook(db, CheckpointAfterCommit, &nextCheckpoint);
}

void Sqlite_SnapshotReleased() { g_snapshotReleased = true; }

}  // namespace zeldb
