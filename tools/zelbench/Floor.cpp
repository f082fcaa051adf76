#include "tools/zelbench/Floor.h"

#include <sqlite3.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/Records.h"
#include "db/engine/postgres/PgEngine.h"
#include "db/tables/DbstdCatalog.h"
#include "tools/zelbench/FloorEngine.h"
#include "tools/zelbench/Sql.h"

namespace zelbench {
namespace {

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

// One changed row: the update's placeholder values as the job bound them.
struct Update {
  std::string pnr;
  std::vector<std::string> values;
};

class Floor {
 public:
  explicit Floor(const FloorOptions& o) : o_(o) {}

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
    // PostgreSQL's statements take the server's clock; SQLite's are bound
    // with this process's.
    db_ = zeldb::Pg_IsConnectString(o_.database) ? FloorPg_Open(o_.database)
                                                 : FloorSqlite_Open(o_.database, commits_, now, today);
    if (!db_) return 1;
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
  // The statement prepared once; later calls hand out the same one.
  FloorStatement* Statement(const char* name, bool select) {
    for (FloorStatement* s : statements_)
      if (!s->cursor && std::strcmp(s->name, name) == 0 && s->select == select) return s;
    const zeldb::StatementDef* def = FindStatement(name, select);
    FloorStatement* s = def ? db_->Prepare(name, def->text) : nullptr;
    if (!s) return nullptr;
    s->select = select;
    statements_.push_back(s);
    return s;
  }

  // Each cursor on a connection of its own, as the engine keeps them.
  FloorStatement* Cursor(const char* name) {
    const zeldb::CursorDef* def = FindCursor(name);
    FloorStatement* s = def ? db_->PrepareCursor(name, def->text) : nullptr;
    if (s) statements_.push_back(s);
    return s;
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

  // Single-row read: bound key, read to its end (the single-row check).
  // Returns whether a row was found; `row` receives the first row's columns.
  bool Read(FloorStatement& s, std::string_view key, std::vector<Field>* row = nullptr) {
    ++s.runs;
    if (!key.empty()) s.Text(1, key);
    bool found = false;
    while (s.Next()) {
      if (!found) {
        s.TouchRow();
        if (row) {
          row->resize(static_cast<size_t>(s.Columns()));
          for (size_t c = 0; c < row->size(); ++c) (*row)[c].Set(s.Column(static_cast<int>(c)));
        }
      }
      found = true;
    }
    s.Reset();
    return found;
  }

  // Cursor lookup: open, one fetch, close.
  bool Lookup(FloorStatement& s, std::string_view key, std::vector<Field>& row) {
    ++s.runs;
    s.Text(1, key);
    const bool found = s.Next();
    row.assign(static_cast<size_t>(s.Columns()), Field{});
    if (found) {
      ++s.rows;
      for (size_t c = 0; c < row.size(); ++c) row[c].Set(s.Column(static_cast<int>(c)));
    }
    s.Reset();
    return found;
  }

  bool Write(FloorStatement& s) {
    ++s.runs;
    if (s.Execute()) {
      ++commits_;
      return true;
    }
    std::fprintf(stderr, "zelbench floor: %s failed: %s\n", s.name, s.Error().c_str());
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
    while (bak_->Next()) bak_->TouchRow();
    bak_->Reset();
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
    FloorStatement* range = Cursor("Prv_PnrRange");
    if (!range || !PrepareChecks()) return false;
    ++range->runs;
    range->Text(1, "00000000");
    range->Text(2, "99999999");
    Field pnr, awn;
    FloorStatement& rows = *range;
    // Columns of the range cursor: PrvPnr 0, PrvAwn 13.
    while (rows.Next()) {
      ++rows.rows;
      rows.TouchRow();
      pnr.Set(rows.Column(0));
      awn.Set(rows.Column(13));
      if (Read(*bsv_, pnr.view())) {
        AssignmentLookups(pnr.view(), awn.view());
        Read(*ztg_, pnr.view());
      }
      Read(*pnr_, pnr.view());
      if (!ApplyUpdate(pnr.view())) return false;
    }
    rows.Reset();
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
    FloorStatement& s = *insert_;
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
    FloorStatement* all = Cursor("Asw_PnrAll");
    if (!all || !PrepareInsert()) return false;
    ++all->runs;
    Field previous, pnr;
    std::vector<Field> row;
    FloorStatement& rows = *all;
    // Columns: AswPnr 0, AswNum 1, AswGvo 2, AswGbi 3, AswErf 4, AswDat 5, PnrNam 6, PnrStr 7, PnrOrt 8.
    while (rows.Next()) {
      ++rows.rows;
      rows.TouchRow();
      pnr.Set(rows.Column(0));
      const bool first = pnr.view() != previous.view();
      if (!Read(*prvRead_, pnr.view(), &row)) {
        if (!Insert(pnr.view(), rows.Column(1), rows.Column(2), rows.Column(3), rows.Column(4), rows.Column(6),
                    rows.Column(7), rows.Column(8)))
          return false;
      } else if (first && (row[14].view() != rows.Column(1) || row[1].view() != rows.Column(2) ||
                           row[2].view() != rows.Column(3))) {
        std::fprintf(stderr, "zelbench floor: row %s needs a correction; the floor covers new rows only\n",
                     pnr.data);
        return false;
      }
      previous = pnr;
    }
    rows.Reset();
    return true;
  }

  bool SingleAssignment() {
    FloorStatement* asw = Statement("Asw_PKeyReadk", true);
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
  std::unique_ptr<FloorDatabase> db_;
  std::vector<FloorStatement*> statements_;  // owned by db_
  std::vector<Update> updates_;
  size_t next_ = 0;
  uint64_t commits_ = 0;  // durable writes so far
  FloorStatement *bsv_ = nullptr, *ztg_ = nullptr, *pnr_ = nullptr, *bak_ = nullptr, *update_ = nullptr;
  FloorStatement *aswPnr_ = nullptr, *aswNum_ = nullptr, *prvRead_ = nullptr, *fbe_ = nullptr, *insert_ = nullptr;
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
      if (!select.empty()) select += ',';
      select += Expression(c, "r");
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
