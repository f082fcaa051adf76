#include "tools/zelbench/Generator.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numeric>
#include <vector>

#include "db/engine/sqlite/SqliteEngine.h"
#include "db/schema/Schema.h"
#include "tools/zelbench/Sql.h"
#include "util/CivilDate.h"

namespace zelbench {
namespace {

// A small generator with a fixed algorithm (SplitMix64), so that a seed
// gives the same data with every compiler and library.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, n).
  int64_t Below(int64_t n) { return n <= 1 ? 0 : static_cast<int64_t>(Next() % static_cast<uint64_t>(n)); }
  template <size_t N>
  const char* Pick(const char* const (&list)[N]) { return list[Below(N)]; }

 private:
  uint64_t state_;
};

constexpr int64_t kFirstPerson = 10000001;
constexpr int64_t kMaxPersons = 10000000;  // badge numbers are a permutation of seven digits

const char* const kLastNames[] = {
    "Adler",  "Bauer",   "Brandt",  "Claasen", "Diehl",   "Dorn",    "Ebert",   "Eckert",  "Falk",    "Fuchs",
    "Gerber", "Graf",    "Haas",    "Hoffmann", "Imhof",  "Jäger",   "Jansen",  "Krüger",  "Lorenz",  "Möller",
    "Neumann", "Otto",   "Peters",  "Quast",   "Roth",    "Schäfer", "Thiel",   "Ulrich",  "Vogt",    "Weber",
    "Winkler", "Yilmaz", "Zimmer",  "Arndt",   "Berger",  "Conrad",  "Engel",   "Frank",   "Günther", "Hartmann",
    "Kaiser",  "Lang",   "Maier",   "Nowak",   "Pohl",    "Richter", "Seidel",  "Vollmer", "Walter",  "Ziegler"};
const char* const kFirstNames[] = {
    "Jonas", "Mira",  "Timo",  "Elif",  "Paul",  "Hanna", "Luca",  "Ida",   "Karl",  "Leni",  "Ole",
    "Pia",   "Ben",   "Clara", "Finn",  "Greta", "Henrik", "Ines", "Jan",   "Kira",  "Lars",  "Maja",
    "Nils",  "Olga",  "Deniz", "Rosa",  "Sven",  "Tessa", "Udo",   "Vera",  "Willi", "Yara",  "Zeno",
    "Amelie", "Bruno", "Carla", "Emil", "Frieda", "Georg", "Helene"};
const char* const kStreets[] = {
    "Lindenweg",  "Am Mühlbach", "Hafenstraße", "Kirchgasse",   "Schillerstraße", "Birkenallee", "Marktplatz",
    "Bahnhofstraße", "Talweg",   "Gartenstraße", "Feldweg",     "Rosenstraße",    "Uferstraße",  "Am Anger",
    "Wiesenweg",  "Brunnenstraße", "Lerchenweg", "Goethestraße", "Parkstraße",    "Mühlenweg",   "Ahornstraße",
    "Dorfstraße", "Heideweg",    "Schulstraße", "Burgstraße",   "Kastanienweg",   "Quellenweg",  "Steinweg",
    "Ringstraße", "Waldstraße",  "Lange Reihe", "Sonnenweg",    "Nordring",       "Südstraße",   "Westend"};
const char* const kTowns[] = {"Ravensbrook", "Oberhall", "Weidenau",  "Kesselheim", "Altmark",
                              "Birkenfeld",  "Lindau am See", "Rotenbach", "Steinhude", "Wolfsgrund"};

std::string PersonName(Random& r) { return std::string(r.Pick(kLastNames)) + ", " + r.Pick(kFirstNames); }
std::string Street(Random& r) { return std::string(r.Pick(kStreets)) + " " + std::to_string(1 + r.Below(120)); }
std::string Town(Random& r) { return std::to_string(10000 + r.Below(89999)) + " " + r.Pick(kTowns); }
std::string CostCentre(int64_t number) { return "KST" + std::to_string(number); }

// Badge numbers: a fixed permutation of the person index, so that badges do
// not follow the person order (the badge lookups then jump through the index
// as they do on real data). The series keep the first badge, the second one
// and the one a change hands out apart.
std::string Badge(int64_t series, int64_t index) {
  const int64_t scrambled = (index * 7919 + 12345) % kMaxPersons;
  return std::to_string(series * kMaxPersons + scrambled);
}

bool Fail(const std::string& what, const std::string& detail) {
  std::fprintf(stderr, "zelbench: %s: %s\n", what.c_str(), detail.c_str());
  return false;
}

bool Done(SqlDb& db, SqlStatement& st) {
  const int rc = st.Run();
  if (rc == SQLITE_DONE) return true;
  return Fail("insert", sqlite3_errmsg(db.get()));
}

// The calendar rows as the personnel side keeps them: ISO week, weekday
// (Monday 1) and day of the year.
bool WriteCalendar(SqlDb& db, int64_t today) {
  SqlStatement st = db.Prepare(
      "insert into Mvs133Bak (BakDtm,BakJhr,BakMon,BakTag,BakWch,BakWtg,BakJtg) values (?1,?2,?3,?4,?5,?6,?7)");
  if (!st.ok()) return false;
  for (int64_t d = today - 5 * 366; d <= today + 5 * 366; ++d) {
    int y, m, dd;
    CivilFromDays(d, y, m, dd);
    const int weekday = static_cast<int>(((d % 7) + 7 + 3) % 7) + 1;  // 1970-01-01 was a Thursday
    const int64_t thursday = d - (weekday - 1) + 3;
    int ty, tm, td;
    CivilFromDays(thursday, ty, tm, td);
    st.Text(1, StoredDay(d));
    st.Int(2, y);
    st.Int(3, m);
    st.Int(4, dd);
    st.Int(5, (thursday - DaysFromCivil(ty, 1, 1)) / 7 + 1);
    st.Int(6, weekday);
    st.Int(7, d - DaysFromCivil(y, 1, 1) + 1);
    if (!Done(db, st)) return false;
  }
  return true;
}

struct Inserts {
  SqlStatement person, employment, assignment, costCentre;
  explicit Inserts(SqlDb& db)
      : person(db.Prepare("insert into Mvs300Pnr (PnrNum,PnrNam,PnrStr,PnrOrt) values (?1,?2,?3,?4)")),
        employment(db.Prepare("insert into Mvs310Bsv (BsvPnr,BsvGvo,BsvGbi) values (?1,?2,?3)")),
        assignment(db.Prepare(
            "insert into Mvs301Asw (AswNum,AswGvo,AswGbi,AswPnr,AswErf,AswDat) values (?1,?2,?3,?4,'PERSONAL',?5)")),
        costCentre(db.Prepare("insert into Mvs329Ztg (ZtgPnr,ZtgVon,ZtgKst) values (?1,?2,?3)")) {}
  bool ok() const { return person.ok() && employment.ok() && assignment.ok() && costCentre.ok(); }
};

constexpr int64_t kOpen = INT64_MIN;

std::string Day(int64_t day) { return day == kOpen ? std::string() : StoredDay(day); }

bool Assignment(SqlDb& db, Inserts& ins, const std::string& badge, int64_t from, int64_t to,
                const std::string& pnr) {
  ins.assignment.Text(1, badge);
  ins.assignment.Text(2, StoredDay(from));
  ins.assignment.Text(3, Day(to));
  ins.assignment.Text(4, pnr);
  // Recorded two days before it began, in the morning.
  ins.assignment.Text(5, StoredDay(from - 2).substr(0, 11) + "08:15:00");
  return Done(db, ins.assignment);
}

bool WritePerson(SqlDb& db, Inserts& ins, Random& r, int64_t index, int64_t today) {
  const std::string pnr = PersonNumber(index);
  const std::string name = PersonName(r);
  const std::string street = Street(r);
  const std::string town = Town(r);
  ins.person.Text(1, pnr);
  ins.person.Text(2, name);
  ins.person.Text(3, street);
  ins.person.Text(4, town);
  if (!Done(db, ins.person)) return false;

  // Employed since one month to ten years; one in twenty with an agreed end
  // within the year; one in ten with an earlier, ended employment.
  const int64_t start = today - 30 - r.Below(3650);
  const int64_t end = r.Below(20) == 0 ? today + 1 + r.Below(365) : kOpen;
  if (r.Below(10) == 0) {
    const int64_t earlier = start - 200 - r.Below(2000);
    ins.employment.Text(1, pnr);
    ins.employment.Text(2, StoredDay(earlier));
    ins.employment.Text(3, StoredDay(earlier + 30 + r.Below(150)));
    if (!Done(db, ins.employment)) return false;
  }
  ins.employment.Text(1, pnr);
  ins.employment.Text(2, StoredDay(start));
  ins.employment.Text(3, Day(end));
  if (!Done(db, ins.employment)) return false;

  // Four in five keep their first badge; most others had it replaced; one in
  // a hundred holds two current badges (the U job reports those).
  const int64_t kind = r.Below(100);
  const int64_t switched = start + 1 + r.Below(today - start - 1);
  if (kind < 80) {
    if (!Assignment(db, ins, Badge(2, index), start, kOpen, pnr)) return false;
  } else if (kind < 99) {
    if (!Assignment(db, ins, Badge(2, index), start, switched - 1, pnr)) return false;
    if (!Assignment(db, ins, Badge(3, index), switched, kOpen, pnr)) return false;
  } else {
    if (!Assignment(db, ins, Badge(2, index), start, kOpen, pnr)) return false;
    if (!Assignment(db, ins, Badge(3, index), switched, kOpen, pnr)) return false;
  }

  // Cost centres of yesterday, today and tomorrow; one in ten moved today.
  const int64_t home = 100 + r.Below(800);
  const int64_t before = r.Below(10) == 0 ? 100 + r.Below(800) : home;
  for (int64_t offset = -1; offset <= 1; ++offset) {
    ins.costCentre.Text(1, pnr);
    ins.costCentre.Text(2, StoredDay(today + offset));
    ins.costCentre.Text(3, CostCentre(offset < 0 ? before : home));
    if (!Done(db, ins.costCentre)) return false;
  }
  return true;
}

int64_t IndexOf(std::string_view pnr) { return std::stoll(std::string(pnr)) - kFirstPerson; }

}  // namespace

std::string PersonNumber(int64_t index) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%08lld", static_cast<long long>(kFirstPerson + index));
  return buf;
}

int Generate(const std::string& file, const GenerateOptions& o) {
  if (o.persons < 1 || o.persons > kMaxPersons) {
    std::fprintf(stderr, "zelbench: persons must lie between 1 and %lld\n", static_cast<long long>(kMaxPersons));
    return 1;
  }
  std::error_code ec;
  if (std::filesystem::exists(file, ec)) {
    std::fprintf(stderr, "zelbench: %s exists; generate writes a new file\n", file.c_str());
    return 1;
  }
  SqlDb db(file, true);
  if (!db.ok()) return Fail("open " + file, db.error()), 1;
  // Nothing but the finished file counts, so the load needs no journal.
  db.Exec("PRAGMA journal_mode=OFF");
  db.Exec("PRAGMA synchronous=OFF");
  if (!db.Exec("BEGIN")) return Fail("begin", db.error()), 1;
  for (const std::string& ddl : zeldb::Schema_Ddl(zeldb::Sqlite_Flavor()))
    if (!db.Exec(ddl)) return Fail("schema", db.error()), 1;
  if (!db.Exec("insert into Mvs559Fbe (FbeTyp,FbeFbe,FbeBez) values (1,'FB01','Standard')"))
    return Fail("insert", db.error()), 1;
  if (!WriteCalendar(db, o.today)) return 1;

  Inserts ins(db);
  if (!ins.ok()) return 1;
  Random r(o.seed);
  for (int64_t i = 0; i < o.persons; ++i)
    if (!WritePerson(db, ins, r, i, o.today)) return 1;
  if (!db.Exec("COMMIT")) return Fail("commit", db.error()), 1;
  // The jobs' database runs in write-ahead-log mode, as zelsetup leaves it.
  if (!db.Exec("PRAGMA journal_mode=WAL")) return Fail("finish", db.error()), 1;
  return 0;
}

int Change(const std::string& file, const ChangeOptions& o) {
  SqlDb db(file);
  if (!db.ok()) return Fail("open " + file, db.error()), 1;
  std::vector<std::string> persons;
  {
    SqlStatement all = db.Prepare("select PnrNum from Mvs300Pnr order by PnrNum");
    while (all.ok() && all.Step() == SQLITE_ROW) persons.emplace_back(all.Column(0));
  }
  const auto n = static_cast<int64_t>(persons.size());
  const auto count = static_cast<int64_t>(std::llround(static_cast<double>(n) * o.sharePercent / 100.0));
  if (o.sharePercent < 0 || count > n) return Fail("change", "the share must lie between 0 and 100"), 1;

  // The first `count` places of a seeded shuffle are the changed persons.
  std::vector<int64_t> order(static_cast<size_t>(n));
  std::iota(order.begin(), order.end(), 0);
  Random r(o.seed ^ 0x5EEDC4A96Eull);
  for (int64_t i = 0; i < count; ++i) std::swap(order[static_cast<size_t>(i)], order[static_cast<size_t>(i + r.Below(n - i))]);

  const std::string yesterday = StoredDay(o.today - 1);
  const std::string today = StoredDay(o.today);
  SqlStatement endBadges = db.Prepare(
      "update Mvs301Asw set AswGbi=?2 where AswPnr=?1 and AswGvo<=?2 and (AswGbi is null or AswGbi>=?3)");
  SqlStatement newBadge = db.Prepare(
      "insert into Mvs301Asw (AswNum,AswGvo,AswGbi,AswPnr,AswErf,AswDat) values (?1,?2,NULL,?3,'PERSONAL',?2)");
  SqlStatement endEmployment =
      db.Prepare("update Mvs310Bsv set BsvGbi=?2 where BsvPnr=?1 and (BsvGbi is null or BsvGbi>=?3)");
  SqlStatement moveCostCentre = db.Prepare("update Mvs329Ztg set ZtgKst=?2 where ZtgPnr=?1 and ZtgVon>=?3");
  SqlStatement readName = db.Prepare("select PnrNam from Mvs300Pnr where PnrNum=?1");
  SqlStatement rename = db.Prepare("update Mvs300Pnr set PnrNam=?2,PnrStr=?3 where PnrNum=?1");
  if (!endBadges.ok() || !newBadge.ok() || !endEmployment.ok() || !moveCostCentre.ok() || !readName.ok() ||
      !rename.ok())
    return 1;

  if (!db.Exec("BEGIN IMMEDIATE")) return Fail("begin", db.error()), 1;
  bool ok = true;
  for (int64_t j = 0; ok && j < count; ++j) {
    const std::string& pnr = persons[static_cast<size_t>(order[static_cast<size_t>(j)])];
    auto endAllBadges = [&] {
      endBadges.Text(1, pnr);
      endBadges.Text(2, yesterday);
      endBadges.Text(3, today);
      return endBadges.Run() == SQLITE_DONE;
    };
    switch (j % 4) {
      case 0:  // a new badge from today, the old one ended yesterday
        ok = endAllBadges();
        newBadge.Text(1, Badge(4, IndexOf(pnr)));
        newBadge.Text(2, today);
        newBadge.Text(3, pnr);
        ok = ok && newBadge.Run() == SQLITE_DONE;
        break;
      case 1:  // left the company yesterday, and the badge with it
        endEmployment.Text(1, pnr);
        endEmployment.Text(2, yesterday);
        endEmployment.Text(3, today);
        ok = endEmployment.Run() == SQLITE_DONE && endAllBadges();
        break;
      case 2:  // another cost centre from today (the generated ones lie below 900)
        moveCostCentre.Text(1, pnr);
        moveCostCentre.Text(2, CostCentre(900 + r.Below(100)));
        moveCostCentre.Text(3, today);
        ok = moveCostCentre.Run() == SQLITE_DONE;
        break;
      default: {  // married and moved: a double name and a new street
        readName.Text(1, pnr);
        std::string name = readName.Step() == SQLITE_ROW ? std::string(readName.Column(0)) : std::string("Neu");
        readName.Reset();
        name = std::string(r.Pick(kLastNames)) + "-" + name;
        if (name.size() > 50) {
          // The download row holds 50 bytes: cut there, and never inside a character.
          name.resize(50);
          while (!name.empty() && (static_cast<unsigned char>(name.back()) & 0xC0) == 0x80) name.pop_back();
          if (!name.empty() && static_cast<unsigned char>(name.back()) >= 0xC0) name.pop_back();
        }
        rename.Text(1, pnr);
        rename.Text(2, name);
        rename.Text(3, std::string("Neue ") + Street(r));
        ok = rename.Run() == SQLITE_DONE;
        break;
      }
    }
  }
  if (!ok) {
    Fail("change", sqlite3_errmsg(db.get()));
    db.Exec("ROLLBACK");
    return 1;
  }
  if (!db.Exec("COMMIT")) return Fail("commit", db.error()), 1;
  return 0;
}

}  // namespace zelbench
