#include "db/engine/postgres/PgAhead.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cassert>
#include <cctype>
#include <cstring>

#include "db/engine/RaisedStatus.h"

namespace zeldb {
namespace {

constexpr size_t kMaxRecipesPerDriver = 16;
// A recipe whose guesses miss far more often than they hit is not sent any
// more; nor one whose answers are mostly made stale by the job's writes.
constexpr uint64_t kMissesBeforeGivingUp = 64;

std::string Lower(const std::string& s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool WordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$'; }

// The words of a text, qualified names ("mvsystem.mvs301asw") kept whole.
std::vector<std::string> Words(const std::string& lower) {
  std::vector<std::string> words;
  std::string word;
  for (const char c : lower) {
    if (WordChar(c) || (c == '.' && !word.empty())) {
      word += c;
    } else if (!word.empty()) {
      words.push_back(word);
      word.clear();
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

std::string LastPart(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(dot + 1);
}

// An error that says something about the data (a value that cannot be
// converted, more rows than one) is the same whichever connection met it and
// is served; any other (a lost connection, a cancel, a lock) belongs to the
// connection that sent the look-up, and the job's own statement runs instead.
bool DataError(const PGresult* r) {
  const char* message = PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY);
  if (message && Engine_RaisedStatus(message) != 0) return true;
  const char* state = PQresultErrorField(r, PG_DIAG_SQLSTATE);
  if (!state) return false;
  return std::strncmp(state, "22", 2) == 0 || std::strncmp(state, "21", 2) == 0 ||
         std::strncmp(state, "23", 2) == 0;
}

}  // namespace

void PgResultDeleter::operator()(pg_result* r) const { PQclear(r); }

PgAhead::PgAhead(std::function<pg_conn*()> connect) : connect_(std::move(connect)) {}

PgAhead::~PgAhead() {
  // Unread answers go with the connection.
  if (conn_) PQfinish(conn_);
}

int PgAhead::Register(const std::string& sql, bool cursor) {
  const std::string key = std::string(cursor ? "c" : "r") + sql;
  const auto found = bySql_.find(key);
  if (found != bySql_.end()) return found->second;
  Statement s;
  s.sql = sql;
  s.cursor = cursor;
  const std::string lower = Lower(sql);
  const std::vector<std::string> words = Words(lower);
  for (const std::string& w : words) {
    s.words.insert(w);
    s.words.insert(LastPart(w));
  }
  if (!words.empty()) {
    const std::string& verb = words.front();
    // Only plain reads travel ahead: a read that locks rows or draws from a
    // sequence acts on the database.
    s.readOnly = verb == "select" && !s.words.count("for") && !s.words.count("nextval") && !s.words.count("setval");
    const char* target = verb == "insert" ? "into" : verb == "delete" ? "from" : verb == "update" ? "" : nullptr;
    if (target) {
      for (size_t i = 1; i < words.size(); ++i) {
        if (*target && words[i - 1] != target) continue;
        s.written = words[i];
        break;
      }
    }
  }
  statements_.push_back(std::move(s));
  const int id = static_cast<int>(statements_.size()) - 1;
  bySql_.emplace(key, id);
  return id;
}

const std::string* PgAhead::WrittenTable(int statement) const {
  const Statement& s = statements_[static_cast<size_t>(statement)];
  return s.written.empty() ? nullptr : &s.written;
}

void PgAhead::MarkWidespreadWrites(int statement) { statements_[static_cast<size_t>(statement)].widespread = true; }

std::string PgAhead::Key(int statement, const PgValues& values) {
  // Each value with its length ahead of it: a value may hold any byte, so
  // no separator alone could tell where one ends and the next begins.
  std::string key = std::to_string(statement);
  for (const auto& v : values) {
    if (!v) {
      key += '-';
      continue;
    }
    key += ':';
    key += std::to_string(v->size());
    key += ':';
    key += *v;
  }
  return key;
}

PgValues PgAhead::RowValues(pg_result* row) {
  PgValues values(static_cast<size_t>(PQnfields(row)));
  for (int c = 0; c < PQnfields(row); ++c)
    if (!PQgetisnull(row, 0, c)) values[static_cast<size_t>(c)].emplace(PQgetvalue(row, 0, c), PQgetlength(row, 0, c));
  return values;
}

uint64_t PgAhead::NewDriver(int statement) {
  const uint64_t id = ++nextDriver_;
  drivers_[id].statement = statement;
  return id;
}

void PgAhead::RowTaken(uint64_t driver, uint64_t position, pg_result* row) {
  const auto d = drivers_.find(driver);
  if (d == drivers_.end()) return;
  d->second.taken = position;
  d->second.row = RowValues(row);
}

bool PgAhead::WantsRowsAhead(uint64_t driver) const {
  if (!ok_) return false;
  const auto d = drivers_.find(driver);
  if (d == drivers_.end()) return false;
  const auto r = recipes_.find(d->second.statement);
  if (r == recipes_.end()) return false;
  for (const Recipe& recipe : r->second)
    if (recipe.active && !statements_[static_cast<size_t>(recipe.lookup)].broken) return true;
  return false;
}

void PgAhead::DriverClosed(uint64_t driver) {
  const StateCheck check{*this};
  // The walk's early answers go with it: a look-up run later is the job's
  // own, and an answer read before might be long out of date by then.
  drivers_.erase(driver);
  for (auto& e : window_)
    if (e->driver == driver) Forget(e.get());
}

bool PgAhead::Connected() {
  if (conn_) return ok_;
  if (!ok_) return false;
  conn_ = connect_ ? connect_() : nullptr;
  if (!conn_ || PQenterPipelineMode(conn_) != 1) {
    ok_ = false;
    return false;
  }
  return true;
}

void PgAhead::Broken() {
  // The ahead connection failed: nothing more is sent, nothing is served,
  // and the job's statements run as they would without it.
  ok_ = false;
  for (auto& e : window_) {
    e->usable = false;
    e->done = true;
  }
  inFlight_.clear();
  byKey_.clear();
  window_.clear();
}

bool PgAhead::Prepared(Statement& s) {
  if (!s.name.empty()) return true;
  s.name = "zel_ahead_" + std::to_string(&s - statements_.data());
  if (PQsendPrepare(conn_, s.name.c_str(), s.sql.c_str(), 0, nullptr) != 1) {
    Broken();
    return false;
  }
  inFlight_.push_back({InFlight::Prepare, nullptr, static_cast<int>(&s - statements_.data())});
  unsynced_ = true;
  return true;
}

void PgAhead::Send(uint64_t driver, uint64_t position, Recipe& r, const PgValues& row) {
  Statement& s = statements_[static_cast<size_t>(r.lookup)];
  if (!s.readOnly || s.broken || !r.active) return;
  PgValues values;
  values.reserve(r.columns.size());
  for (const int c : r.columns) {
    if (static_cast<size_t>(c) >= row.size()) return;
    values.push_back(row[static_cast<size_t>(c)]);
  }
  if (!Connected() || !Prepared(s)) return;
  std::vector<const char*> raw;
  raw.reserve(values.size());
  for (const auto& v : values) raw.push_back(v ? v->c_str() : nullptr);
  if (PQsendQueryPrepared(conn_, s.name.c_str(), static_cast<int>(raw.size()), raw.data(), nullptr, nullptr, 0) !=
      1) {
    Broken();
    return;
  }
  auto e = std::make_unique<Entry>();
  e->statement = r.lookup;
  e->driver = driver;
  e->row = position;
  e->stamp = writes_;
  e->key = Key(r.lookup, values);
  e->recipe = &r;
  byKey_.emplace(e->key, e.get());
  inFlight_.push_back({InFlight::Lookup, e.get(), r.lookup});
  window_.push_back(std::move(e));
  unsynced_ = true;
  ++counts_.sent;
}

void PgAhead::RowAhead(uint64_t driver, uint64_t position, pg_result* row) {
  const StateCheck check{*this};
  const auto d = drivers_.find(driver);
  if (d == drivers_.end() || !ok_) return;
  const auto r = recipes_.find(d->second.statement);
  if (r == recipes_.end()) return;
  Retire();
  const PgValues values = RowValues(row);
  for (Recipe& recipe : r->second) Send(driver, position, recipe, values);
}

void PgAhead::Flush() {
  const StateCheck check{*this};
  if (!unsynced_ || !ok_) return;
  unsynced_ = false;
  // One sync per batch: the server answers the batch's look-ups in one go,
  // and a look-up that fails aborts only the rest of its batch (those then
  // run as the job's own statements).
  if (PQpipelineSync(conn_) != 1) {
    Broken();
    return;
  }
  inFlight_.push_back({InFlight::Sync, nullptr, -1});
}

void PgAhead::ReadEntry(Entry& e) {
  const bool cursor = statements_[static_cast<size_t>(e.statement)].cursor;
  // A cursor's answer arrives row by row, so that a long one is cut off
  // without being held whole.
  if (cursor) PQsetSingleRowMode(conn_);
  while (PGresult* raw = PQgetResult(conn_)) {
    PgResult r(raw);
    switch (PQresultStatus(raw)) {
      case PGRES_SINGLE_TUPLE:
        if (++e.rows > kAheadCursorRows) {
          if (e.usable) statements_[static_cast<size_t>(e.statement)].broken = true;
          e.usable = false;
        }
        break;
      case PGRES_TUPLES_OK:
      case PGRES_COMMAND_OK:
        if (!cursor && static_cast<size_t>(PQntuples(raw)) > kAheadCursorRows) e.usable = false;
        break;
      case PGRES_FATAL_ERROR:
        if (!DataError(raw)) e.usable = false;
        break;
      default:  // aborted by an earlier failure of its batch
        e.usable = false;
        break;
    }
    if (e.usable && !e.dead) e.answer.results.push_back(std::move(r));
  }
  e.done = true;
  if (!e.usable || e.dead) e.answer.results.clear();
}

void PgAhead::Pump(const Entry* until) {
  if (unsynced_) Flush();
  while (ok_ && !inFlight_.empty()) {
    const Pending p = inFlight_.front();
    if (p.kind == InFlight::Sync) {
      PgResult r(PQgetResult(conn_));
      if (!r || PQresultStatus(r.get()) != PGRES_PIPELINE_SYNC) {
        Broken();
        return;
      }
      inFlight_.pop_front();
      continue;
    }
    if (p.kind == InFlight::Prepare) {
      bool failed = false;
      while (PGresult* raw = PQgetResult(conn_)) {
        failed = failed || PQresultStatus(raw) != PGRES_COMMAND_OK;
        PQclear(raw);
      }
      if (failed) statements_[static_cast<size_t>(p.statement)].broken = true;
      inFlight_.pop_front();
      continue;
    }
    inFlight_.pop_front();
    ReadEntry(*p.entry);
    if (p.entry == until) return;
  }
}

bool PgAhead::Obsolete(const Entry& e) const {
  if (e.dead) return true;
  const auto d = drivers_.find(e.driver);
  return d == drivers_.end() || d->second.taken > e.row;
}

void PgAhead::Forget(Entry* e) {
  if (e->dead) return;
  e->dead = true;
  e->answer.results.clear();
  const auto range = byKey_.equal_range(e->key);
  for (auto it = range.first; it != range.second; ++it) {
    if (it->second == e) {
      byKey_.erase(it);
      break;
    }
  }
}

void PgAhead::Retire() {
  // The oldest answers first: those of rows the job has passed (or of a
  // driver closed) are read off the connection and dropped, so that the
  // window holds no more than the rows ahead.
  while (ok_ && !window_.empty() && Obsolete(*window_.front())) {
    Entry* e = window_.front().get();
    if (!e->done) Pump(e);
    if (!ok_) return;
    Forget(e);
    window_.pop_front();
  }
}

void PgAhead::Learn(int statement, const PgValues& values) {
  // A read without values does not follow the row: its answer for a row
  // ahead would be the same read, only older.
  if (values.empty()) return;
  for (auto& [id, d] : drivers_) {
    if (d.taken == 0) continue;
    std::deque<Recipe>& recipes = recipes_[d.statement];
    Recipe* recipe = nullptr;
    for (Recipe& r : recipes)
      if (r.lookup == statement) recipe = &r;
    if (recipe) {
      bool hit = recipe->columns.size() == values.size();
      for (size_t i = 0; hit && i < values.size(); ++i) {
        const size_t c = static_cast<size_t>(recipe->columns[i]);
        hit = values[i] && c < d.row.size() && d.row[c] == values[i];
      }
      ++(hit ? recipe->hits : recipe->misses);
      if (recipe->misses > recipe->hits + kMissesBeforeGivingUp) recipe->active = false;
      continue;
    }
    if (recipes.size() >= kMaxRecipesPerDriver) continue;
    // Every value must be one of the row's (a NULL tells nothing apart).
    std::vector<int> columns;
    for (size_t i = 0; i < values.size() && columns.size() == i; ++i) {
      if (!values[i]) break;
      for (size_t c = 0; c < d.row.size(); ++c) {
        if (d.row[c] == values[i]) {
          columns.push_back(static_cast<int>(c));
          break;
        }
      }
    }
    if (columns.size() != values.size()) continue;
    recipes.push_back(Recipe{statement, std::move(columns)});
  }
}

bool PgAhead::Valid(const Entry& e) const {
  if (e.stamp < allDropped_ || uncommittedWidespread_) return false;
  const Statement& s = statements_[static_cast<size_t>(e.statement)];
  for (const auto& [table, when] : lastWrite_)
    if (when > e.stamp && s.words.count(table)) return false;
  for (const std::string& table : uncommitted_)
    if (s.words.count(table)) return false;
  return true;
}

bool PgAhead::Serve(int statement, const PgValues& values, PgAnswer& out) {
  const StateCheck check{*this};
  if (!statements_[static_cast<size_t>(statement)].readOnly) return false;
  Learn(statement, values);
  if (!ok_) return false;
  const auto found = byKey_.find(Key(statement, values));
  if (found == byKey_.end()) return false;
  Entry* e = found->second;
  if (!e->done) Pump(e);
  if (!ok_) return false;
  const bool valid = Valid(*e);
  if (!valid) {
    ++counts_.stale;
    if (++e->recipe->stale > e->recipe->served + kMissesBeforeGivingUp) e->recipe->active = false;
  }
  if (!valid || !e->usable || e->answer.results.empty()) {
    Forget(e);
    return false;
  }
  out.results = std::move(e->answer.results);
  ++counts_.served;
  ++e->recipe->served;
  Forget(e);
  return true;
}

void PgAhead::Wrote(int statement, bool inTransaction) {
  const Statement& s = statements_[static_cast<size_t>(statement)];
  ++writes_;
  if (s.widespread || s.written.empty()) {
    allDropped_ = writes_;
    if (inTransaction) uncommittedWidespread_ = true;
    return;
  }
  const std::string table = LastPart(s.written);
  lastWrite_[table] = writes_;
  if (inTransaction) uncommitted_.insert(table);
}

void PgAhead::TransactionEnded() {
  // What the transaction wrote became visible (or was undone) now: answers
  // sent while it was open saw the tables without it.
  for (const std::string& table : uncommitted_) lastWrite_[table] = ++writes_;
  uncommitted_.clear();
  if (uncommittedWidespread_) allDropped_ = ++writes_;
  uncommittedWidespread_ = false;
}

void PgAhead::DropAll() { allDropped_ = ++writes_; }

void PgAhead::Settle() {
  const StateCheck check{*this};
  Pump(nullptr);
}

int PgAhead::BackendPid() const { return conn_ && ok_ ? PQbackendPID(conn_) : 0; }

void PgAhead::CheckState() const {
#ifndef NDEBUG
  // A broken connection leaves nothing behind.
  if (!ok_) {
    assert(window_.empty() && inFlight_.empty() && byKey_.empty());
    return;
  }
  std::unordered_set<const Entry*> inWindow;
  bool unread = false;
  for (const auto& e : window_) {
    inWindow.insert(e.get());
    // Answers are read in the order sent: the unread entries end the window.
    assert(!unread || !e->done);
    unread = unread || !e->done;
    // An answer is held only read whole, usable and still wanted.
    assert(e->answer.results.empty() || (e->done && e->usable && !e->dead));
    assert(e->recipe && !e->recipe->columns.empty());
    if (e->dead) continue;
    // A live entry belongs to a live driver, for a row no further ahead
    // than the rows it buffers.
    const auto d = drivers_.find(e->driver);
    assert(d != drivers_.end());
    assert(e->row <= d->second.taken + kAheadRows);
    const auto range = byKey_.equal_range(e->key);
    assert(std::any_of(range.first, range.second, [&](const auto& k) { return k.second == e.get(); }));
  }
  for (const auto& [key, e] : byKey_) assert(inWindow.count(e) && !e->dead && e->key == key);
  // The look-ups in flight are the window's unread entries, in order.
  auto w = window_.begin();
  while (w != window_.end() && (*w)->done) ++w;
  for (const Pending& p : inFlight_) {
    if (p.kind != InFlight::Lookup) continue;
    assert(w != window_.end() && w->get() == p.entry);
    ++w;
  }
  assert(w == window_.end());
#endif
}

}  // namespace zeldb
