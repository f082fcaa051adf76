#include "DemoData.h"

#include <cstdio>
#include <string>

#include "platform/Clock.h"
#include "util/CivilDate.h"

namespace {

class Days {
 public:
  explicit Days(std::time_t now) {
    std::tm t{};
    Plat_LocalTime(now, t);
    today_ = DaysFromCivil(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
  }
  int64_t Today() const { return today_; }
  // The stored form of today + offset, quoted for SQL; NULL for kOpen.
  std::string Sql(int64_t offset) const {
    if (offset == kOpen) return "NULL";
    std::string quoted(1, '\'');
    quoted.append(Stored(today_ + offset)).push_back('\'');
    return quoted;
  }
  static std::string Stored(int64_t day) {
    int y, m, d;
    CivilFromDays(day, y, m, d);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d 00:00:00", y, m, d);
    return buf;
  }
  static constexpr int64_t kOpen = int64_t{1} << 40;

 private:
  int64_t today_;
};

std::string Q(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

struct Person {
  const char* name;
  const char* street;
  const char* town;
};

// Invented people of an invented company.
const Person kPeople[] = {
    {"Adler, Jonas", "Lindenweg 4", "Ravensbrook"},        {"Brandt, Mira", "Am Mühlbach 12", "Ravensbrook"},
    {"Claasen, Timo", "Hafenstraße 7", "Oberhall"},          {"Dorn, Elif", "Kirchgasse 3", "Oberhall"},
    {"Eckert, Paul", "Schillerstraße 21", "Ravensbrook"},    {"Falk, Hanna", "Birkenallee 9", "Weidenau"},
    {"Gerber, Luca", "Marktplatz 1", "Weidenau"},            {"Hoffmann, Ida", "Bahnhofstraße 44", "Oberhall"},
    {"Imhof, Karl", "Talweg 15", "Ravensbrook"},             {"Jansen, Leni", "Gartenstraße 8", "Weidenau"},
    {"Krüger, Ole", "Feldweg 2", "Oberhall"},                {"Lorenz, Pia", "Rosenstraße 17", "Ravensbrook"},
    {"Möller, Ben", "Eichendorffweg 5", "Weidenau"},         {"Neumann, Clara", "Uferstraße 30", "Oberhall"},
    {"Otto, Finn", "Am Anger 6", "Ravensbrook"},             {"Peters, Greta", "Wiesenweg 11", "Weidenau"},
    {"Quast, Henrik", "Brunnenstraße 19", "Oberhall"},       {"Roth, Ines", "Lerchenweg 23", "Ravensbrook"},
    {"Schäfer, Jan", "Goethestraße 2", "Weidenau"},          {"Thiel, Kira", "Parkstraße 14", "Oberhall"},
    {"Ulrich, Lars", "Mühlenweg 8", "Ravensbrook"},          {"Vogt, Maja", "Ahornstraße 27", "Weidenau"},
    {"Weber, Nils", "Dorfstraße 33", "Oberhall"},            {"Xander, Olga", "Heideweg 1", "Ravensbrook"},
    {"Yilmaz, Deniz", "Schulstraße 10", "Weidenau"},         {"Zimmer, Rosa", "Burgstraße 4", "Oberhall"},
    {"Arndt, Sven", "Kastanienweg 16", "Ravensbrook"},       {"Bauer, Tessa", "Quellenweg 7", "Weidenau"},
    {"Conrad, Udo", "Steinweg 29", "Oberhall"},              {"Diehl, Vera", "Ringstraße 13", "Ravensbrook"},
    {"Ebert, Willi", "Waldstraße 40", "Weidenau"},           {"Fuchs, Yara", "Lange Reihe 5", "Oberhall"},
    {"Graf, Zeno", "Sonnenweg 18", "Ravensbrook"},           {"Haas, Amelie", "Nordring 22", "Weidenau"},
    {"Iske, Bruno", "Südstraße 3", "Oberhall"},              {"Jäger, Carla", "Westend 9", "Ravensbrook"},
};
constexpr int kPersons = sizeof kPeople / sizeof kPeople[0];

std::string Pnr(int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08d", 1001 + i);
  return buf;
}
std::string Badge(int i, int generation = 0) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "7%03d%04d", generation, 1001 + i);
  return buf;
}
std::string CostCentre(int i) { return "KST" + std::to_string(100 + (i % 4) * 100); }

// What differs between a person's master data and the download row; each
// is a situation one of the jobs acts on.
enum class Case {
  InLine,              // master data and row agree
  NoRow,               // U inserts the row
  TwoBadges,           // two current assignments of different badges
  TwoPeriods,          // two current periods of one badge
  BadgeChanged,        // the old badge ended yesterday, a new one began today
  LastDaySet,          // the assignment got a last day in the master data
  EmploymentEnded,     // the employment period ended yesterday
  EmploymentResumed,   // the row says ended, a period covers today again
  CostCentreChanged,   // today's cost centre differs from the row
  NameChanged,         // the person moved and married
  AssignmentEnded,     // the row's assignment ended three days ago
  BadgeReassigned,     // the row's badge now belongs to another person
  NoCostCentreToday,   // no cost-centre row for today
  FutureRow,           // the row begins next month: the full check skips it
};

Case CaseOf(int i) {
  switch (i) {
    case 2: return Case::TwoBadges;
    case 3: return Case::TwoPeriods;
    case 4: return Case::BadgeChanged;
    case 5: return Case::LastDaySet;
    case 6: return Case::EmploymentEnded;
    case 7: return Case::EmploymentResumed;
    case 8: return Case::CostCentreChanged;
    case 9: return Case::NameChanged;
    case 10: return Case::AssignmentEnded;
    case 11: return Case::BadgeReassigned;
    case 13: return Case::NoCostCentreToday;
    case 14: return Case::FutureRow;
    default: return i >= kPersons - 4 ? Case::NoRow : Case::InLine;
  }
}

}  // namespace

const std::vector<std::string>& DemoData_Tables() {
  static const std::vector<std::string> tables = {"Mvs300Pnr", "Mvs301Asw", "Mvs310Bsv", "Mvs329Ztg",
                                                  "Mvs133Bak", "Mvs559Fbe", "Mvs510Prv"};
  return tables;
}

std::vector<std::string> DemoData_Statements(std::time_t now) {
  const Days days(now);
  const int64_t open = Days::kOpen;
  std::vector<std::string> sql;
  auto asw = [&](const std::string& badge, int64_t from, int64_t to, const std::string& pnr) {
    sql.push_back("insert into Mvs301Asw (AswNum,AswGvo,AswGbi,AswPnr,AswErf,AswDat) values (" + Q(badge) + "," +
                  days.Sql(from) + "," + days.Sql(to) + "," + Q(pnr) + ",'PERSONAL'," + days.Sql(from - 2) + ")");
  };

  sql.push_back("insert into Mvs559Fbe (FbeTyp,FbeFbe,FbeBez) values (1,'FB01','Standard')");

  // The calendar: five years either side of today.
  for (int64_t d = days.Today() - 5 * 366; d <= days.Today() + 5 * 366; ++d) {
    int y, m, dd;
    CivilFromDays(d, y, m, dd);
    const int weekday = static_cast<int>(((d % 7) + 7 + 3) % 7) + 1;  // 1970-01-01 was a Thursday; Monday = 1
    const int yearDay = static_cast<int>(d - DaysFromCivil(y, 1, 1)) + 1;
    const int64_t thursday = d - (weekday - 1) + 3;  // ISO week: the week of its Thursday
    int ty, tm, td;
    CivilFromDays(thursday, ty, tm, td);
    const int week = static_cast<int>((thursday - DaysFromCivil(ty, 1, 1)) / 7) + 1;
    sql.push_back("insert into Mvs133Bak (BakDtm,BakJhr,BakMon,BakTag,BakWch,BakWtg,BakJtg) values ('" +
                  Days::Stored(d) + "'," + std::to_string(y) + "," + std::to_string(m) + "," + std::to_string(dd) +
                  "," + std::to_string(week) + "," + std::to_string(weekday) + "," + std::to_string(yearDay) + ")");
  }

  for (int i = 0; i < kPersons; ++i) {
    const Case c = CaseOf(i);
    const std::string pnr = Pnr(i);
    const Person& p = kPeople[i];
    sql.push_back("insert into Mvs300Pnr (PnrNum,PnrNam,PnrStr,PnrOrt) values (" + Q(pnr) + "," +
                  Q(c == Case::NameChanged ? "Neumann-Roth, Clara" : p.name) + "," +
                  Q(c == Case::NameChanged ? "Am Seeufer 2" : p.street) + "," + Q(p.town) + ")");

    // Employment: three years back, open, except where the case says otherwise.
    const int64_t bsvEnd = c == Case::EmploymentEnded ? -1 : open;
    sql.push_back("insert into Mvs310Bsv (BsvPnr,BsvGvo,BsvGbi) values (" + Q(pnr) + "," + days.Sql(-1100) + "," +
                  days.Sql(bsvEnd) + ")");

    // Cost centres: yesterday's and today's rows.
    const std::string kstToday = c == Case::CostCentreChanged ? "KST900" : CostCentre(i);
    sql.push_back("insert into Mvs329Ztg (ZtgPnr,ZtgVon,ZtgKst) values (" + Q(pnr) + "," + days.Sql(-1) + "," +
                  Q(CostCentre(i)) + ")");
    if (c != Case::NoCostCentreToday)
      sql.push_back("insert into Mvs329Ztg (ZtgPnr,ZtgVon,ZtgKst) values (" + Q(pnr) + "," + days.Sql(0) + "," +
                    Q(kstToday) + ")");

    // Badge assignments.
    const std::string badge = Badge(i);
    int64_t aswFrom = -700, aswTo = open;
    switch (c) {
      case Case::TwoBadges:
        asw(badge, -700, open, pnr);
        asw(Badge(i, 9), -10, open, pnr);
        break;
      case Case::TwoPeriods:
        asw(badge, -700, open, pnr);
        asw(badge, -30, open, pnr);
        break;
      case Case::BadgeChanged:
        asw(badge, -700, -1, pnr);
        asw(Badge(i, 1), 0, open, pnr);
        break;
      case Case::LastDaySet:
        aswTo = 30;
        asw(badge, aswFrom, aswTo, pnr);
        break;
      case Case::AssignmentEnded:
        asw(badge, -700, -3, pnr);
        break;
      case Case::BadgeReassigned:
        asw(badge, -700, -6, pnr);
        asw(badge, -5, open, Pnr(i + 1));
        break;
      case Case::FutureRow:
        asw(badge, 31, open, pnr);
        break;
      default:
        asw(badge, aswFrom, aswTo, pnr);
        break;
    }

    if (c == Case::NoRow) continue;

    // The download row as the last run left it.
    const int64_t rowFrom = c == Case::FutureRow ? 31 : -700;
    const int awa = c == Case::EmploymentResumed ? 2 : 1;
    sql.push_back(
        "insert into Mvs510Prv (PrvPnr,PrvGvo,PrvGbi,PrvBer,PrvKst,PrvFbe,PrvMmb,PrvZf1,PrvZf2,PrvZf3,PrvSta,PrvDat,"
        "PrvErf,PrvDna,PrvDwn,PrvAwn,PrvAwa,PrvAnw,PrvApl,PrvApp,PrvPzm,PrvAvn,PrvAbi,PrvNam,PrvStr,PrvOrt) values (" +
        Q(pnr) + "," + days.Sql(rowFrom) + ",NULL,0," + Q(CostCentre(i)) + ",'FB01',0,NULL,NULL,NULL,1," +
        days.Sql(-1) + ",'PERSONAL',NULL,NULL," + Q(badge) + "," + std::to_string(awa) + ",0,0,0,1,NULL,NULL," +
 Q(p.name) + "," + Q(p.street) + "," + Q(p.town) + ")");
  }
  return sql;
}
