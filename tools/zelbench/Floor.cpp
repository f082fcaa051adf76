#include "tools/zelbench/Floor.h"

#include <sqlite3.h>

#include <cstddef>
#include <deque>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/DbstdCatalog.h"
#include "db/Dialect.h"
#include "db/Records.h"
#include "db/SqliteEngine.h"
#include "db/SqliteFunctions.h"
#include "tools/zelbench/Sql.h"

namespace zelbench {
namespace {

// The engine binds "sysdate" and "trunc(sysdate)" as these parameters.
constexpr int kSysdateParam = 900;
constexpr int kTodayParam = 901;

const zeldb::StatementDef* FindStatement(const char* name, bool select) {
  for (const zeldb::StatementDef* d : zeldb::Dbstd_Statements())
    if (std::strcmp(d->name, name) == 0 && (d->kind == zeldb::StmtKind::SelectInto) == select) return d;
  return nullptr;
}

const zeldb::CursorDef* FindCursor(const char* name) {
  for (const zeldb::CursorDef* d : zeldb::Dbstd_Cursors())
    if (std::strcmp(d->name, name) == 0) return d;
  return nullptr;
}

// The engine's checkpoint policy (db/SqliteEngine.cpp): SQLite's automatic
// checkpoint every 1000 pages, backing off while a reader holds it back.
bool g_snapshotReleased = false;  // a long cursor set its rows aside: checkpoint at the next commit

int CheckpointAfterCommit(void* nextAttempt, sqlite3* db, const char* schema, int pages) {
  int& next = *static_cast<int*>(nextAttempt);
  if (pages < next && !(g_snapshotReleased && pages >= 1000)) return SQLITE_OK;
  g_snapshotReleased = false;
  int logged = 0, copied = 0;
  const int rc = sqlite3_wal_checkpoint_v2(db, schema, SQLITE_CHECKPOINT_PASSIVE, &logged, &copied);
  next = rc == SQLITE_OK && copied >= logged ? 1000 : pages * 2;
  return SQLITE_OK;
}

// A connection set up as the engine sets up its own.
sqlite3* Open(const std::string& file, int* nextCheckpoint) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "zelbench floor: cannot open %s\n", file.c_str());
    sqlite3_close_v2(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, zeldb::kSqliteBusyTimeoutMs);
  zeldb::Sqlite_RegisterFunctions(db);
  sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
  sqlite3_exec(db, "PRAGMA cache_size=-500", nullptr, nullptr, nullptr);
  sqlite3_wal_hook(db, CheckpointAfterCommit, nextCheckpoint);
  return db;
}

// One statement: its SQLite text prepared once, the clock parameters bound
// once (a run lasts minutes, not days), and its count of executions.
struct Stmt {
  const char* name = "";
  bool cursor = false;
  bool select = false;
  sqlite3* db = nullptr;
  sqlite3_stmt* st = nullptr;
  uint64_t runs = 0;
  uint64_t rows = 0;

  bool Prepare(sqlite3* db, const char* statementName, const char* oracleText, bool isCursor,
               const std::string& now, const std::string& today) {
    name = statementName;
    cursor = isCursor;
    this->db = db;
    const zeldb::Translation tr = zeldb::Translate(oracleText, zeldb::Sqlite_Flavor());
    if (!tr.ok || sqlite3_prepare_v2(db, tr.sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
      std::fprintf(stderr, "zelbench floor: cannot prepare %s: %s\n", statementName, sqlite3_errmsg(db));
      return false;
    }
    const int count = sqlite3_bind_parameter_count(st);
    if (count >= kSysdateParam) sqlite3_bind_text(st, kSysdateParam, now.c_str(), -1, SQLITE_TRANSIENT);
    if (count >= kTodayParam) sqlite3_bind_text(st, kTodayParam, today.c_str(), -1, SQLITE_TRANSIENT);
    return true;
  }
  ~Stmt() { sqlite3_finalize(st); }

  void Text(int index, std::string_view v) {
    if (v.empty())
      sqlite3_bind_null(st, index);
    else
      sqlite3_bind_text(st, index, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
  }
  void Int(int index, int64_t v) { sqlite3_bind_int64(st, index, v); }
  std::string_view Col(int c) const {
    const unsigned char* p = sqlite3_column_text(st, c);
    return p ? std::string_view(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(st, c)))
             : std::string_view();
  }
  // Reads every column of the current row, as a job copies them all.
  void TouchRow() {
    const int n = sqlite3_column_count(st);
    for (int c = 0; c < n; ++c) (void)sqlite3_column_text(st, c);
  }
};

// A short text copied out of a row (the row's memory is gone after a reset).
struct Field {
  char data[64] = {};
  size_t size = 0;
  void Set(std::string_view v) {
    size = v.size() < sizeof data ? v.size() : sizeof data - 1;
    if (size > 0) std::memcpy(data, v.data(), size);
    data[size] = '\0';
  }
  std::string_view view() const { return std::string_view(data, size); }
  bool empty() const { return size == 0; }
};

// A cursor walked from its open to its end while the loop writes: streamed,
// and after 10,000 commits its remaining rows copied into a temporary table
// of its connection, which releases its snapshot; this is what the engine
// does (db/SqliteEngine.cpp), so that the log does not grow for the rest of
// the run. Without it the floor would pay for a growing log that the job
// does not pay for.
class LongCursor {
 public:
  LongCursor(Stmt& s, const uint64_t& commits) : s_(s), commits_(commits), atOpen_(commits) {}
  ~LongCursor() {
    sqlite3_finalize(aside_);
    sqlite3_reset(s_.st);
  }

  bool Next() {
    if (started_ && !aside_ && commits_ - atOpen_ >= 10000) SetAside();
    started_ = true;
    if (sqlite3_step(Current()) != SQLITE_ROW) return false;
    ++s_.rows;
    return true;
  }
  sqlite3_stmt* Current() const { return aside_ ? aside_ : s_.st; }
  std::string_view Col(int c) const {
    const unsigned char* p = sqlite3_column_text(Current(), c);
    return p ? std::string_view(reinterpret_cast<const char*>(p),
                                static_cast<size_t>(sqlite3_column_bytes(Current(), c)))
             : std::string_view();
  }
  void TouchRow() const {
    for (int c = 0; c < sqlite3_column_count(Current()); ++c) (void)sqlite3_column_text(Current(), c);
  }

 private:
  void SetAside() {
    const int n = sqlite3_column_count(s_.st);
    std::string create = "CREATE TEMP TABLE floor_aside (", values;
    for (int c = 0; c < n; ++c) {
      create += (c ? ",c" : "c") + std::to_string(c);
      values += (c ? ",?" : "?") + std::to_string(c + 1);
    }
    sqlite3_stmt* insert = nullptr;
    sqlite3_exec(s_.db, "PRAGMA temp.cache_size=-256", nullptr, nullptr, nullptr);
    if (sqlite3_exec(s_.db, (create + ")").c_str(), nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(s_.db, ("INSERT INTO floor_aside VALUES (" + values + ")").c_str(), -1, &insert,
                           nullptr) != SQLITE_OK)
      return;
    while (sqlite3_step(s_.st) == SQLITE_ROW) {
      for (int c = 0; c < n; ++c) sqlite3_bind_value(insert, c + 1, sqlite3_column_value(s_.st, c));
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_reset(s_.st);
    g_snapshotReleased = true;
    sqlite3_prepare_v2(s_.db, "SELECT * FROM floor_aside ORDER BY rowid", -1, &aside_, nullptr);
  }

  Stmt& s_;
  const uint64_t& commits_;
  uint64_t atOpen_;
  bool started_ = false;
  sqlite3_stmt* aside_ = nullptr;
};

// One changed row: the update's placeholder values as the job bound them.
struct Update {
  std::string pnr;
  std::vector<std::string> values;
};

class Floor {
 public:
  explicit Floor(const FloorOptions& o) : o_(o) {}
  ~Floor() {
    // Statements before their connections.
    statements_.clear();
    for (sqlite3* db : connections_) sqlite3_close_v2(db);
  }

  int Run() {
    if (!LoadUpdates()) return 1;
    char now[32], today[32], runDate[16];
    std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    std::strftime(now, sizeof now, "%Y-%m-%d %H:%M:%S", &local);
    std::strftime(today, sizeof today, "%Y-%m-%d 00:00:00", &local);
    std::strftime(runDate, sizeof runDate, "%Y%m%d", &local);
    now_ = now;
    today_ = today;
    runDate_ = runDate;
    main_ = Connect();
    if (!main_) return 1;
    bool ok = false;
    switch (o_.job) {
      case 'U':
        ok = UpdateJob() && FullCheck();
        break;
      case 'A':
        ok = FullCheck();
        break;
      case 'S':
        ok = SingleAssignment();
        break;
      default:
        std::fprintf(stderr, "zelbench floor: job U, A or S\n");
    }
    if (!ok) return 1;
    for (const auto& s : statements_)
      if (s->runs > 0) std::printf("use\t%s\t%c\t%llu\t%llu\n", s->name, s->cursor ? 'c' : s->select ? 'r' : 'w',
                                   static_cast<unsigned long long>(s->runs), static_cast<unsigned long long>(s->rows));
    return 0;
  }

 private:
  sqlite3* Connect() {
    sqlite3* db = Open(o_.database, &nextCheckpoint_.emplace_back(1000));
    if (db) connections_.push_back(db);
    return db;
  }

  // The statement prepared once; later calls hand out the same one.
  Stmt* Statement(const char* name, bool select) {
    for (const auto& s : statements_)
      if (!s->cursor && std::strcmp(s->name, name) == 0 && s->select == select) return s.get();
    const zeldb::StatementDef* def = FindStatement(name, select);
    auto s = std::make_unique<Stmt>();
    if (!def || !s->Prepare(main_, name, def->text, false, now_, today_)) return nullptr;
    s->select = select;
    statements_.push_back(std::move(s));
    return statements_.back().get();
  }

  // Each cursor on a connection of its own, as the engine keeps them.
  Stmt* Cursor(const char* name) {
    const zeldb::CursorDef* def = FindCursor(name);
    sqlite3* db = def ? Connect() : nullptr;
    auto s = std::make_unique<Stmt>();
    if (!db || !s->Prepare(db, name, def->text, true, now_, today_)) return nullptr;
    statements_.push_back(std::move(s));
    return statements_.back().get();
  }

  bool LoadUpdates() {
    if (o_.updates.empty()) return true;
    std::ifstream in(o_.updates);
    if (!in) {
      std::fprintf(stderr, "zelbench floor: cannot read %s\n", o_.updates.c_str());
      return false;
    }
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty()) continue;
      Update u;
      size_t start = 0;
      for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        u.values.push_back(line.substr(start, tab - start));
      u.values.push_back(line.substr(start));
      u.pnr = u.values.back();  // the key is the update's last placeholder
      updates_.push_back(std::move(u));
    }
    return true;
  }

  // Single-row read: bound key, stepped to its end (the single-row check).
  // Returns whether a row was found; `row` receives the first row's columns.
  bool Read(Stmt& s, std::string_view key, std::vector<Field>* row = nullptr) {
    ++s.runs;
    if (!key.empty()) s.Text(1, key);
    bool found = false;
    while (sqlite3_step(s.st) == SQLITE_ROW) {
      if (!found) {
        s.TouchRow();
        if (row) {
          row->resize(static_cast<size_t>(sqlite3_column_count(s.st)));
          for (size_t c = 0; c < row->size(); ++c) (*row)[c].Set(s.Col(static_cast<int>(c)));
        }
      }
      found = true;
    }
    sqlite3_reset(s.st);
    return found;
  }

  // Cursor lookup: open, one fetch, close.
  bool Lookup(Stmt& s, std::string_view key, std::vector<Field>& row) {
    ++s.runs;
    s.Text(1, key);
    const bool found = sqlite3_step(s.st) == SQLITE_ROW;
    row.assign(static_cast<size_t>(sqlite3_column_count(s.st)), Field{});
    if (found) {
      ++s.rows;
      for (size_t c = 0; c < row.size(); ++c) row[c].Set(s.Col(static_cast<int>(c)));
    }
    sqlite3_reset(s.st);
    return found;
  }

  bool Write(Stmt& s) {
    ++s.runs;
    const int rc = sqlite3_step(s.st);
    sqlite3_reset(s.st);
    if (rc == SQLITE_DONE) {
      ++commits_;
      return true;
    }
    std::fprintf(stderr, "zelbench floor: %s failed: %s\n", s.name, sqlite3_errmsg(main_));
    return false;
  }

  bool ApplyUpdate(std::string_view pnr) {
    if (next_ >= updates_.size() || updates_[next_].pnr != pnr) return true;
    const Update& u = updates_[next_++];
    const zeldb::StatementDef* def = FindStatement("Prv_PKeyUpd", false);
    for (size_t i = 0; i < u.values.size() && i < def->inputs.size(); ++i) {
      const int index = static_cast<int>(i) + 1;
      if (def->inputs[i].type == zeldb::HostType::String || u.values[i].empty())
        update_->Text(index, u.values[i]);
      else
        update_->Int(index, std::stoll(u.values[i]));
    }
    return Write(*update_);
  }

  bool PrepareChecks() {
    bsv_ = Statement("Bsv_PnrReadk", true);
    ztg_ = Statement("Ztg_PnrReadk", true);
    pnr_ = Statement("Pnr_PKeyReadk", true);
    bak_ = Statement("Bak_DateReadk", true);
    update_ = Statement("Prv_PKeyUpd", false);
    aswPnr_ = Cursor("Asw_Pnr");
    aswNum_ = Cursor("Asw_Num");
    return bsv_ && ztg_ && pnr_ && bak_ && update_ && aswPnr_ && aswNum_;
  }

  void DayBeforeRunDay() {
    ++bak_->runs;
    bak_->Text(1, runDate_);
    bak_->Int(2, -1);
    while (sqlite3_step(bak_->st) == SQLITE_ROW) bak_->TouchRow();
    sqlite3_reset(bak_->st);
  }

  // The lookups of the badge check for a row with person `pnr` and badge
  // `awn`: the person's latest assignment, the badge's, and where they
  // disagree the badge of the person's latest one; the calendar where an
  // assignment ended.
  void AssignmentLookups(std::string_view pnr, std::string_view awn) {
    // Columns: Asw_Pnr AswNum 0, AswGvo 1, AswGbi 2; Asw_Num AswPnr 0, AswGvo 1, AswGbi 2.
    const bool found = Lookup(*aswPnr_, pnr, person_);
    auto ended = [this](const Field& lastDay) { return !lastDay.empty() && lastDay.view() < runDate_; };
    auto carries = [&](const std::vector<Field>& badge) {
      return badge[1].view() == person_[1].view() && badge[0].view() == pnr;
    };
    if (awn.empty()) {
      if (!found || ended(person_[2])) return;
      Lookup(*aswNum_, person_[0].view(), badge_);
      return;
    }
    Lookup(*aswNum_, awn, badge_);
    if (!found) return;
    if (person_[0].view() == awn && carries(badge_)) {
      if (ended(badge_[2])) DayBeforeRunDay();
      return;
    }
    Lookup(*aswNum_, person_[0].view(), badge_);
    if (!carries(badge_)) DayBeforeRunDay();
  }

  bool FullCheck() {
    Stmt* range = Cursor("Prv_PnrRange");
    if (!range || !PrepareChecks()) return false;
    ++range->runs;
    range->Text(1, "00000000");
    range->Text(2, "99999999");
    Field pnr, awn;
    LongCursor rows(*range, commits_);
    // Columns of the range cursor: PrvPnr 0, PrvAwn 13.
    while (rows.Next()) {
      rows.TouchRow();
      pnr.Set(rows.Col(0));
      awn.Set(rows.Col(13));
      if (Read(*bsv_, pnr.view())) {
        AssignmentLookups(pnr.view(), awn.view());
        Read(*ztg_, pnr.view());
      }
      Read(*pnr_, pnr.view());
      if (!ApplyUpdate(pnr.view())) return false;
    }
    return true;
  }

  bool PrepareInsert() {
    prvRead_ = Statement("Prv_PKeyReadk", true);
    fbe_ = Statement("Prv_PKeyIns", true);
    insert_ = Statement("Prv_PKeyIns", false);
    ztg_ = Statement("Ztg_PnrReadk", true);
    return prvRead_ && fbe_ && insert_ && ztg_;
  }

  // A new row as the jobs fill it from an assignment: badge, days, recorder
  // and address from the assignment, today's cost centre, the default Fbe,
  // "NEU" pending, 0 or 1 in the numbers. The insert's placeholders follow
  // the read's column order (PrvPnr ... PrvOrt).
  bool Insert(std::string_view pnr, std::string_view num, std::string_view gvo, std::string_view gbi,
              std::string_view erf, std::string_view nam, std::string_view str, std::string_view ort) {
    std::vector<Field> kst, fbe;
    Read(*ztg_, pnr, &kst);
    Read(*fbe_, {}, &fbe);
    Stmt& s = *insert_;
    s.Text(1, pnr);
    s.Text(2, gvo);
    s.Text(3, gbi);
    s.Int(4, 0);
    s.Text(5, kst.empty() ? std::string_view() : kst[0].view());
    s.Text(6, fbe.empty() ? std::string_view() : fbe[0].view());
    s.Int(7, 0);
    s.Text(8, {});
    s.Text(9, {});
    s.Text(10, {});
    s.Int(11, 1);
    s.Text(12, erf.substr(0, 8));
    s.Text(13, "NEU");
    s.Text(14, "Marvane");
    s.Text(15, num);
    s.Int(16, 1);
    s.Int(17, 0);
    s.Int(18, 0);
    s.Int(19, 0);
    s.Int(20, 1);
    s.Text(21, {});
    s.Text(22, {});
    s.Text(23, nam);
    s.Text(24, str);
    s.Text(25, ort);
    return Write(s);
  }

  bool UpdateJob() {
    Stmt* all = Cursor("Asw_PnrAll");
    if (!all || !PrepareInsert()) return false;
    ++all->runs;
    Field previous, pnr;
    std::vector<Field> row;
    LongCursor rows(*all, commits_);
    // Columns: AswPnr 0, AswNum 1, AswGvo 2, AswGbi 3, AswErf 4, AswDat 5, PnrNam 6, PnrStr 7, PnrOrt 8.
    while (rows.Next()) {
      rows.TouchRow();
      pnr.Set(rows.Col(0));
      const bool first = pnr.view() != previous.view();
      if (!Read(*prvRead_, pnr.view(), &row)) {
        if (!Insert(pnr.view(), rows.Col(1), rows.Col(2), rows.Col(3), rows.Col(4), rows.Col(6), rows.Col(7),
                    rows.Col(8)))
          return false;
      } else if (first && (row[14].view() != rows.Col(1) || row[1].view() != rows.Col(2) ||
                           row[2].view() != rows.Col(3))) {
        std::fprintf(stderr, "zelbench floor: row %s needs a correction; the floor covers new rows only\n",
                     pnr.data);
        return false;
      }
      previous = pnr;
    }
    return true;
  }

  bool SingleAssignment() {
    Stmt* asw = Statement("Asw_PKeyReadk", true);
    if (!asw || !PrepareInsert() || !PrepareChecks()) return false;
    std::vector<Field> a, row;
    asw->Text(2, o_.firstDay);
    if (!Read(*asw, o_.badge, &a)) return true;
    // Columns: AswPnr 0, AswGbi 1, AswErf 2, AswDat 3, PnrNam 4, PnrStr 5, PnrOrt 6.
    const std::string pnr(a[0].view());
    std::string awn;
    if (Read(*prvRead_, pnr, &row)) {
      awn = std::string(row[14].view());
    } else {
      if (!Insert(pnr, o_.badge, o_.firstDay, a[1].view(), a[2].view(), a[4].view(), a[5].view(), a[6].view()))
        return false;
      awn = o_.badge;
    }
    if (Read(*bsv_, pnr)) {
      AssignmentLookups(pnr, awn);
      Read(*ztg_, pnr);
    }
    return ApplyUpdate(pnr);
  }

  FloorOptions o_;
  std::string now_, today_, runDate_;
  sqlite3* main_ = nullptr;
  std::vector<sqlite3*> connections_;
  std::deque<int> nextCheckpoint_;  // per connection; a deque keeps the addresses the hooks hold
  std::vector<std::unique_ptr<Stmt>> statements_;
  std::vector<Update> updates_;
  size_t next_ = 0;
  uint64_t commits_ = 0;  // durable writes so far
  Stmt *bsv_ = nullptr, *ztg_ = nullptr, *pnr_ = nullptr, *bak_ = nullptr, *update_ = nullptr;
  Stmt *aswPnr_ = nullptr, *aswNum_ = nullptr, *prvRead_ = nullptr, *fbe_ = nullptr, *insert_ = nullptr;
  std::vector<Field> person_, badge_;
};

// Column of each PrvRecord field, and how the job sends it.
struct PrvColumn {
  size_t offset;
  const char* name;
  char form;  // 'd' day, 'i' instant, 'v' other value
};

#define ZEL_PRV(field, form) {offsetof(PrvRecord, field), #field, form}
const PrvColumn kPrvColumns[] = {
    ZEL_PRV(PrvPnr, 'v'), ZEL_PRV(PrvGvo, 'd'), ZEL_PRV(PrvGbi, 'd'), ZEL_PRV(PrvBer, 'v'), ZEL_PRV(PrvKst, 'v'),
    ZEL_PRV(PrvFbe, 'v'), ZEL_PRV(PrvMmb, 'v'), ZEL_PRV(PrvZf1, 'v'), ZEL_PRV(PrvZf2, 'v'), ZEL_PRV(PrvZf3, 'v'),
    ZEL_PRV(PrvDna, 'v'), ZEL_PRV(PrvDwn, 'v'), ZEL_PRV(PrvAwa, 'v'), ZEL_PRV(PrvAwn, 'v'), ZEL_PRV(PrvAnw, 'v'),
    ZEL_PRV(PrvAvn, 'i'), ZEL_PRV(PrvAbi, 'i'), ZEL_PRV(PrvApl, 'v'), ZEL_PRV(PrvApp, 'v'), ZEL_PRV(PrvSta, 'v'),
    ZEL_PRV(PrvErf, 'v'), ZEL_PRV(PrvPzm, 'v'), ZEL_PRV(PrvNam, 'v'), ZEL_PRV(PrvStr, 'v'), ZEL_PRV(PrvOrt, 'v')};
#undef ZEL_PRV

std::string Expression(const PrvColumn& c, const char* table) {
  const std::string column = std::string(table) + "." + c.name;
  if (c.form == 'd') return "strftime('%Y%m%d'," + column + ")";
  if (c.form == 'i') return "strftime('%Y%m%d%H%M%S'," + column + ")";
  return column;
}

}  // namespace

int RunFloor(const FloorOptions& options) { return Floor(options).Run(); }

long WriteUpdatesFile(const std::string& input, const std::string& result, const std::string& file) {
  const zeldb::StatementDef* def = FindStatement("Prv_PKeyUpd", false);
  SqlDb db(result);
  if (!def || !db.ok() || !db.Exec("ATTACH DATABASE '" + input + "' AS before")) return -1;
  std::string select, differs;
  for (const zeldb::HostVar& v : def->inputs) {
    for (const PrvColumn& c : kPrvColumns) {
      if (c.offset != v.offset) continue;
      select += (select.empty() ? "" : ",") + Expression(c, "r");
    }
  }
  for (const PrvColumn& c : kPrvColumns)
    differs += std::string(" or r.") + c.name + " is not b." + c.name;
  SqlStatement st = db.Prepare("select " + select +
                               " from main.Mvs510Prv r left join before.Mvs510Prv b on b.PrvPnr=r.PrvPnr"
                               " where b.PrvPnr is null or r.PrvDat is not b.PrvDat" + differs +
                               " order by r.PrvPnr");
  std::ofstream out(file, std::ios::trunc);
  if (!st.ok() || !out) return -1;
  long rows = 0;
  while (st.Step() == SQLITE_ROW) {
    for (int c = 0; c < sqlite3_column_count(st.get()); ++c) out << (c ? "\t" : "") << st.Column(c);
    out << "\n";
    ++rows;
  }
  return out ? rows : -1;
}

}  // namespace zelbench
