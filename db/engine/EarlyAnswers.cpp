#include "db/engine/EarlyAnswers.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <regex>

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

// The parameter a marker stands for: "$N" is the Nth value, "?" the value
// of its place among the text's markers (a text with "?" markers binds its
// values in their order).
int MarkerValue(const std::string& lower, size_t at) {
  if (lower[at] == '$') return std::atoi(lower.c_str() + at + 1) - 1;
  // The markers before it, outside quoted literals (a pattern may hold "?").
  int markers = 0;
  bool quoted = false;
  for (size_t i = 0; i < at; ++i) {
    if (lower[i] == '\'')
      quoted = !quoted;
    else if (lower[i] == '?' && !quoted)
      ++markers;
  }
  return quoted ? -1 : markers;
}

// Whether `lower` is keyed (see the header): the table, the key column and
// the place of the value, or false.
bool Keyed(const std::string& lower, std::string& table, std::string& column, int& value) {
  static const std::regex kRead(R"(^\s*select\s.*\sfrom\s+([a-z_][\w$#.]*)\s+where\s+([a-z_][\w$#]*)\s*=\s*(\$\d+|\?)(\s+limit\s+\d+)?\s*$)");
  static const std::regex kUpdate(R"(^\s*update\s+([a-z_][\w$#.]*)\s+set\s(.*)\swhere\s+([a-z_][\w$#]*)\s*=\s*(\$\d+|\?)\s*$)");
  static const std::regex kDelete(R"(^\s*delete\s+from\s+([a-z_][\w$#.]*)\s+where\s+([a-z_][\w$#]*)\s*=\s*(\$\d+|\?)\s*$)");
  static const std::regex kInsert(R"(^\s*insert\s+into\s+([a-z_][\w$#.]*)\s*\(\s*([a-z_][\w$#]*)\s*[,)].*\svalues\s*\(\s*(\$\d+|\?)\s*[,)])");
  std::smatch m;
  int marker = 0;
  if (std::regex_search(lower, m, kRead) || std::regex_search(lower, m, kDelete)) {
    column = m[2];
    marker = 3;
  } else if (std::regex_search(lower, m, kUpdate)) {
    column = m[3];
    // An update that sets the key column moves the row to another key.
    if (std::regex_search(std::string(m[2]), std::regex("(^|[^\\w$#])" + column + "\\s*="))) return false;
    marker = 4;
  } else if (std::regex_search(lower, m, kInsert)) {
    column = m[2];
    marker = 3;
  } else {
    return false;
  }
  table = LastPart(m[1]);
  value = MarkerValue(lower, static_cast<size_t>(m.position(marker)));
  return value >= 0;
}

// One row of one table, as the keyed writes are noted: the table (which
// holds no ':') ahead of the row's key.
std::string RowName(const std::string& table, const std::string& rowKey) {
  std::string name;
  name.reserve(table.size() + 1 + rowKey.size());
  name.append(table).append(1, ':').append(rowKey);
  return name;
}

}  // namespace

namespace {
int g_aheadForTest = -1;  // -1: as the environment says

bool Off(const char* v) { return std::strcmp(v, "off") == 0 || std::strcmp(v, "0") == 0 || std::strcmp(v, "no") == 0; }
}  // namespace

bool Engine_AheadEnabled() {
  if (g_aheadForTest >= 0) return g_aheadForTest == 1;
  for (const char* name : {"ZEL_AHEAD", "ZEL_PG_AHEAD"}) {
    const char* v = std::getenv(name);
    if (v && *v) return !Off(v);
  }
  return kAheadByDefault;
}

void Engine_SetAheadForTest(int on) { g_aheadForTest = on; }

EarlyAnswers::EarlyAnswers(std::function<std::unique_ptr<AheadTransport>()> open) : open_(std::move(open)) {}

// Unanswered look-ups go with the transport.
EarlyAnswers::~EarlyAnswers() = default;

int EarlyAnswers::Register(const std::string& sql, bool cursor) {
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
    std::string table, column;
    int value = -1;
    if ((s.readOnly || !s.written.empty()) && Keyed(lower, table, column, value)) {
      s.keyTable = table;
      s.keyColumn = column;
      s.keyValue = value;
    }
  }
  statements_.push_back(std::move(s));
  const int id = static_cast<int>(statements_.size()) - 1;
  bySql_.emplace(key, id);
  return id;
}

const std::string* EarlyAnswers::WrittenTable(int statement) const {
  const Statement& s = statements_[static_cast<size_t>(statement)];
  return s.written.empty() ? nullptr : &s.written;
}

void EarlyAnswers::MarkWidespreadWrites(int statement) { statements_[static_cast<size_t>(statement)].widespread = true; }

std::string EarlyAnswers::Key(int statement, const AheadValues& values) {
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

std::string EarlyAnswers::KeyName(const Statement& s, const AheadValues& values) {
  if (s.keyValue < 0 || static_cast<size_t>(s.keyValue) >= values.size()) return {};
  const auto& v = values[static_cast<size_t>(s.keyValue)];
  if (!v) return {};
  // Each part with its length ahead of it, as in Key().
  return std::to_string(s.keyColumn.size()) + ':' + s.keyColumn + ':' + *v;
}

bool EarlyAnswers::RowUnchanged(const Statement& s, const std::string& rowKey, uint64_t stamp) const {
  // A write by another column may have met this row too.
  const auto table = byColumn_.find(s.keyTable);
  if (table != byColumn_.end())
    for (const auto& [column, when] : table->second)
      if (column != s.keyColumn && when > stamp) return false;
  if (uncommittedByColumn_.count(s.keyTable) && uncommittedByColumn_.at(s.keyTable) != s.keyColumn) return false;
  const std::string name = RowName(s.keyTable, rowKey);
  if (uncommittedKeys_.count(name)) return false;
  const auto key = keyWrites_.find(name);
  return key == keyWrites_.end() || key->second <= stamp;
}

uint64_t EarlyAnswers::NewDriver(int statement) {
  const uint64_t id = ++nextDriver_;
  drivers_[id].statement = statement;
  return id;
}

void EarlyAnswers::RowTaken(uint64_t driver, uint64_t position, const AheadValues& row) {
  const auto d = drivers_.find(driver);
  if (d == drivers_.end()) return;
  d->second.taken = position;
  d->second.row = row;
}

bool EarlyAnswers::WantsRowsAhead(uint64_t driver) const {
  if (!ok_) return false;
  const auto d = drivers_.find(driver);
  if (d == drivers_.end()) return false;
  const auto r = recipes_.find(d->second.statement);
  if (r == recipes_.end()) return false;
  for (const Recipe& recipe : r->second)
    if (recipe.active && !statements_[static_cast<size_t>(recipe.lookup)].broken) return true;
  return false;
}

void EarlyAnswers::DriverClosed(uint64_t driver) {
  const StateCheck check{*this};
  // The walk's early answers go with it: a look-up run later is the job's
  // own, and an answer read before might be long out of date by then.
  drivers_.erase(driver);
  for (auto& e : window_)
    if (e->driver == driver) Forget(e.get());
}

bool EarlyAnswers::Connected() {
  if (transport_) return ok_;
  if (!ok_) return false;
  transport_ = open_ ? open_() : nullptr;
  ok_ = transport_ != nullptr;
  return ok_;
}

void EarlyAnswers::Broken() {
  // The transport failed: nothing more is sent, nothing is served, and the
  // job's statements run as they would without it. Its connections go now.
  ok_ = false;
  byKey_.clear();
  window_.clear();
  unflushed_ = false;
  transport_.reset();
}

void EarlyAnswers::Send(uint64_t driver, uint64_t position, Recipe& r, const AheadValues& row) {
  Statement& s = statements_[static_cast<size_t>(r.lookup)];
  if (!s.readOnly || s.broken || !r.active) return;
  AheadValues values;
  values.reserve(r.columns.size());
  for (const int c : r.columns) {
    if (static_cast<size_t>(c) >= row.size()) return;
    values.push_back(row[static_cast<size_t>(c)]);
  }
  if (!Connected()) return;
  const uint64_t ticket = ++nextTicket_;
  if (!transport_->Send(ticket, r.lookup, s.sql, s.cursor, values)) {
    Broken();
    return;
  }
  auto e = std::make_unique<Entry>();
  e->ticket = ticket;
  e->statement = r.lookup;
  e->driver = driver;
  e->row = position;
  e->stamp = writes_;
  e->key = Key(r.lookup, values);
  e->rowKey = KeyName(s, values);
  e->recipe = &r;
  byKey_.emplace(e->key, e.get());
  window_.push_back(std::move(e));
  unflushed_ = true;
  ++counts_.sent;
}

void EarlyAnswers::RowAhead(uint64_t driver, uint64_t position, const AheadValues& row) {
  const StateCheck check{*this};
  const auto d = drivers_.find(driver);
  if (d == drivers_.end() || !ok_) return;
  const auto r = recipes_.find(d->second.statement);
  if (r == recipes_.end()) return;
  Retire();
  for (Recipe& recipe : r->second) Send(driver, position, recipe, row);
}

void EarlyAnswers::Flush() {
  const StateCheck check{*this};
  if (!unflushed_ || !ok_) return;
  unflushed_ = false;
  if (!transport_->Flush()) Broken();
}

void EarlyAnswers::Pump(const Entry* until) {
  if (unflushed_) Flush();
  // Receipts are taken in the order sent: the entries not done end the window.
  auto it = std::find_if(window_.begin(), window_.end(), [](const auto& e) { return !e->done; });
  while (ok_ && it != window_.end()) {
    Entry& e = **it;
    AheadReceipt receipt = transport_->Take(e.ticket);
    switch (receipt.outcome) {
      case AheadOutcome::Answer:
        if (!e.dead) e.answer = std::move(receipt.answer);
        break;
      case AheadOutcome::Unfit:
        statements_[static_cast<size_t>(e.statement)].broken = true;
        e.usable = false;
        break;
      case AheadOutcome::Unusable:
        e.usable = false;
        break;
      case AheadOutcome::Lost:
        Broken();
        return;
    }
    e.done = true;
    if (&e == until) return;
    ++it;
  }
}

bool EarlyAnswers::Obsolete(const Entry& e) const {
  if (e.dead) return true;
  const auto d = drivers_.find(e.driver);
  return d == drivers_.end() || d->second.taken > e.row;
}

void EarlyAnswers::Forget(Entry* e) {
  if (e->dead) return;
  e->dead = true;
  e->answer.reset();
  const auto range = byKey_.equal_range(e->key);
  for (auto it = range.first; it != range.second; ++it) {
    if (it->second == e) {
      byKey_.erase(it);
      break;
    }
  }
}

void EarlyAnswers::Retire() {
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

void EarlyAnswers::Learn(int statement, const AheadValues& values) {
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

bool EarlyAnswers::Valid(const Entry& e) const {
  if (e.stamp < allDropped_ || uncommittedWidespread_) return false;
  const Statement& s = statements_[static_cast<size_t>(e.statement)];
  // A keyed read's own table counts as unchanged while its row is.
  const bool keyed = !e.rowKey.empty() && RowUnchanged(s, e.rowKey, e.stamp);
  for (const auto& [table, when] : lastWrite_)
    if (when > e.stamp && s.words.count(table) && !(keyed && table == s.keyTable)) return false;
  for (const std::string& table : uncommitted_)
    if (s.words.count(table) && !(keyed && table == s.keyTable)) return false;
  return true;
}

bool EarlyAnswers::Serve(int statement, const AheadValues& values, std::unique_ptr<AheadAnswer>& out) {
  const StateCheck check{*this};
  if (!statements_[static_cast<size_t>(statement)].readOnly) return false;
  Learn(statement, values);
  if (!ok_) return false;
  const auto found = byKey_.find(Key(statement, values));
  if (found == byKey_.end()) return false;
  Entry* e = found->second;
  // Whether a write came between is known from when the look-up was sent:
  // a spoilt answer is not waited for, only dropped when it arrives.
  if (!Valid(*e)) {
    ++counts_.stale;
    if (++e->recipe->stale > e->recipe->served + kMissesBeforeGivingUp) e->recipe->active = false;
    Forget(e);
    return false;
  }
  if (!e->done) Pump(e);
  if (!ok_) return false;
  if (!e->usable || !e->answer) {
    Forget(e);
    return false;
  }
  out = std::move(e->answer);
  ++counts_.served;
  ++e->recipe->served;
  Forget(e);
  return true;
}

void EarlyAnswers::Wrote(int statement, bool inTransaction, const AheadValues* values) {
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
  const std::string rowKey = values && table == s.keyTable ? KeyName(s, *values) : std::string();
  // A write to the whole table is one by every column.
  static const std::string kWhole = "*";
  const std::string& column = rowKey.empty() ? kWhole : s.keyColumn;
  byColumn_[table][column] = writes_;
  if (inTransaction) {
    auto [pending, added] = uncommittedByColumn_.emplace(table, column);
    if (!added && pending->second != column) pending->second = kWhole;
  }
  if (rowKey.empty()) return;
  const std::string name = RowName(table, rowKey);
  if (inTransaction) uncommittedKeys_.insert(name);
  KeyWritten(name);
}

void EarlyAnswers::KeyWritten(const std::string& rowKey) {
  keyWrites_[rowKey] = writes_;
  keyLog_.emplace_back(writes_, rowKey);
  // A key written before the oldest early answer in hand was sent spoils
  // none (nor any sent later): it is forgotten, so that the keys of a long
  // run are not all kept.
  const uint64_t oldest = window_.empty() ? writes_ : window_.front()->stamp;
  while (!keyLog_.empty() && keyLog_.front().first < oldest) {
    const auto k = keyWrites_.find(keyLog_.front().second);
    if (k != keyWrites_.end() && k->second == keyLog_.front().first) keyWrites_.erase(k);
    keyLog_.pop_front();
  }
}

void EarlyAnswers::TransactionEnded() {
  // What the transaction wrote became visible (or was undone) now: answers
  // sent while it was open saw the tables without it.
  for (const std::string& table : uncommitted_) lastWrite_[table] = ++writes_;
  for (const auto& [table, column] : uncommittedByColumn_) byColumn_[table][column] = writes_;
  for (const std::string& name : uncommittedKeys_) KeyWritten(name);
  uncommitted_.clear();
  uncommittedByColumn_.clear();
  uncommittedKeys_.clear();
  if (uncommittedWidespread_) allDropped_ = ++writes_;
  uncommittedWidespread_ = false;
}

void EarlyAnswers::DropAll() { allDropped_ = ++writes_; }

void EarlyAnswers::Settle() {
  const StateCheck check{*this};
  Pump(nullptr);
}

std::vector<int> EarlyAnswers::ServerSessions() const { return transport_ && ok_ ? transport_->ServerSessions() : std::vector<int>{}; }

void EarlyAnswers::CheckState() const {
#ifndef NDEBUG
  // A failed transport leaves nothing behind.
  if (!ok_) {
    assert(window_.empty() && byKey_.empty() && !transport_);
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
    assert(!e->answer || (e->done && e->usable && !e->dead));
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
  // Tickets grow in the order sent.
  for (size_t i = 1; i < window_.size(); ++i) assert(window_[i - 1]->ticket < window_[i]->ticket);
  // Something sent means a transport to take it from.
  assert(window_.empty() || transport_);
#endif
}

}  // namespace zeldb
