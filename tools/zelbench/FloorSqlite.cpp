// The floor on the sqlite3 API (FloorEngine.h).
#include <sqlite3.h>

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "db/engine/Dialect.h"
#include "db/engine/sqlite/SqliteEngine.h"
#include "tools/zelbench/FloorEngine.h"

namespace zelbench {
namespace {

// The engine binds "sysdate" and "trunc(sysdate)" as these parameters.
constexpr int kSysdateParam = 900;
constexpr int kTodayParam = 901;

class SqliteStatement final : public FloorStatement {
 public:
  SqliteStatement(sqlite3* db, sqlite3_stmt* st, const uint64_t& commits) : db_(db), st_(st), commits_(commits) {}
  ~SqliteStatement() override {
    Reset();
    sqlite3_finalize(st_);
  }

  void Text(int index, std::string_view v) override {
    if (v.empty())
      sqlite3_bind_null(st_, index);
    else
      sqlite3_bind_text(st_, index, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
  }
  void Int(int index, int64_t v) override { sqlite3_bind_int64(st_, index, v); }

  bool Next() override {
    if (!started_) {
      started_ = true;
      atOpen_ = commits_;
    } else if (cursor && !aside_ && commits_ - atOpen_ >= zeldb::kSqliteSetAsideAfterCommits) {
      SetAside();
    }
    return sqlite3_step(Current()) == SQLITE_ROW;
  }
  void TouchRow() override {
    for (int c = 0; c < sqlite3_column_count(Current()); ++c) (void)sqlite3_column_text(Current(), c);
  }
  int Columns() const override { return sqlite3_column_count(st_); }
  std::string_view Column(int c) const override {
    const unsigned char* p = sqlite3_column_text(Current(), c);
    return p ? std::string_view(reinterpret_cast<const char*>(p),
                                static_cast<size_t>(sqlite3_column_bytes(Current(), c)))
             : std::string_view();
  }
  void Reset() override {
    if (aside_) {
      sqlite3_finalize(aside_);
      aside_ = nullptr;
      sqlite3_exec(db_, "DROP TABLE temp.floor_aside", nullptr, nullptr, nullptr);
    }
    sqlite3_reset(st_);
    started_ = false;
  }

  bool Execute() override {
    const int rc = sqlite3_step(st_);
    sqlite3_reset(st_);
    return rc == SQLITE_DONE;
  }
  std::string Error() const override { return sqlite3_errmsg(db_); }

 private:
  sqlite3_stmt* Current() const { return aside_ ? aside_ : st_; }

  // Copies the cursor's remaining rows into a temporary table of its
  // connection and reads on from there: the snapshot is released, and the
  // order is kept.
  void SetAside() {
    const int n = sqlite3_column_count(st_);
    std::string create = "CREATE TEMP TABLE floor_aside (", values;
    for (int c = 0; c < n; ++c) {
      create += (c ? ",c" : "c") + std::to_string(c);
      values += (c ? ",?" : "?") + std::to_string(c + 1);
    }
    sqlite3_stmt* insert = nullptr;
    sqlite3_exec(db_, "PRAGMA temp.cache_size=-256", nullptr, nullptr, nullptr);
    if (sqlite3_exec(db_, (create + ")").c_str(), nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db_, ("INSERT INTO floor_aside VALUES (" + values + ")").c_str(), -1, &insert,
                           nullptr) != SQLITE_OK)
      return;
    while (sqlite3_step(st_) == SQLITE_ROW) {
      for (int c = 0; c < n; ++c) sqlite3_bind_value(insert, c + 1, sqlite3_column_value(st_, c));
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_reset(st_);
    zeldb::Sqlite_SnapshotReleased();
    sqlite3_prepare_v2(db_, "SELECT * FROM floor_aside ORDER BY rowid", -1, &aside_, nullptr);
  }

  sqlite3* db_;
  sqlite3_stmt* st_;
  const uint64_t& commits_;
  uint64_t atOpen_ = 0;
  bool started_ = false;
  sqlite3_stmt* aside_ = nullptr;
};

class SqliteDatabase final : public FloorDatabase {
 public:
  SqliteDatabase(std::string file, const uint64_t& commits, std::string now, std::string today)
      : file_(std::move(file)), commits_(commits), now_(std::move(now)), today_(std::move(today)) {}
  ~SqliteDatabase() override {
    statements_.clear();
    for (sqlite3* db : connections_) sqlite3_close_v2(db);
  }

  bool Start() { return (main_ = Connect()) != nullptr; }

  FloorStatement* Prepare(const char* name, const char* text) override { return Add(main_, name, text, false); }
  FloorStatement* PrepareCursor(const char* name, const char* text) override {
    sqlite3* db = Connect();
    return db ? Add(db, name, text, true) : nullptr;
  }

 private:
  // A connection with the engine's own settings.
  sqlite3* Connect() {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file_.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
      std::fprintf(stderr, "zelbench floor: cannot open %s\n", file_.c_str());
      sqlite3_close_v2(db);
      return nullptr;
    }
    connections_.push_back(db);
    zeldb::Sqlite_Configure(db, nextCheckpoint_.emplace_back());
    return db;
  }

  // The clock parameters are bound once: a run lasts minutes, not days.
  FloorStatement* Add(sqlite3* db, const char* name, const char* text, bool cursor) {
    const zeldb::Translation tr = zeldb::Translate(text, zeldb::Sqlite_Flavor());
    sqlite3_stmt* st = nullptr;
    if (!tr.ok || sqlite3_prepare_v2(db, tr.sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
      std::fprintf(stderr, "zelbench floor: cannot prepare %s: %s\n", name, sqlite3_errmsg(db));
      sqlite3_finalize(st);
      return nullptr;
    }
    const int count = sqlite3_bind_parameter_count(st);
    if (count >= kSysdateParam) sqlite3_bind_text(st, kSysdateParam, now_.c_str(), -1, SQLITE_TRANSIENT);
    if (count >= kTodayParam) sqlite3_bind_text(st, kTodayParam, today_.c_str(), -1, SQLITE_TRANSIENT);
    statements_.push_back(std::make_unique<SqliteStatement>(db, st, commits_));
    statements_.back()->name = name;
    statements_.back()->cursor = cursor;
    return statements_.back().get();
  }

  std::string file_;
  const uint64_t& commits_;
  std::string now_, today_;
  sqlite3* main_ = nullptr;
  std::vector<sqlite3*> connections_;
  std::deque<int> nextCheckpoint_;  // per connection; a deque keeps the addresses the hooks hold
  std::vector<std::unique_ptr<SqliteStatement>> statements_;
};

}  // namespace

std::unique_ptr<FloorDatabase> FloorSqlite_Open(const std::string& file, const uint64_t& commits,
                                                const std::string& now, const std::string& today) {
  auto db = std::make_unique<SqliteDatabase>(file, commits, now, today);
  if (!db->Start()) return nullptr;
  return db;
}

}  // namespace zelbench
