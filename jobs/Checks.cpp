#include "jobs/Checks.h"

#include <cstdarg>
#include <cstdio>
#include <string_view>

#include "db/Dbstd.h"
#include "jobs/DownloadMark.h"
#include "log/MsgLog.h"
#include "util/OraStatus.h"

namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(out.data(), out.size() + 1, format, again);
  va_end(again);
  return out;
}

std::string NameLine(const PrvRecord& rec, const char* info) {
  return Format("PNR: %-8s AWN: %-8s Info: %s\n", rec.PrvPnr.c_str(), rec.PrvAwn.c_str(), info);
}

// "yyyymmdd" texts compare byte-wise; an empty last day is an open end and
// never lies before anything.
bool EndedBeforeRunDay(const FixedText<9>& lastDay, const RunStamp& run) {
  return !lastDay.empty() && lastDay.view() < std::string_view(run.RunDate);
}

// The person's assignment with the latest first day that is not after today,
// ended or not. Returns the fetch's status. On a failed fetch the record
// stays cleared but for AswPnr, so the failure compares like an assignment
// with empty fields.
int32_t PersonLookup(const PrvRecord& rec, AswRecord& person) {
  person = {};
  person.AswPnr = rec.PrvPnr;
  Asw_Pnr_Open(person.AswPnr.c_str());
  const int32_t status = Asw_Pnr_Read(person);
  Asw_Pnr_Close();
  return status;
}

// The badge's assignment with the latest first day that is not after today.
// An empty lookup (1403) leaves AswPnr empty, and that never matches a row's
// person number. Returns the fetch's status.
int32_t BadgeLookup(const FixedText<9>& badgeNumber, AswRecord& badge) {
  badge = {};
  badge.AswNum = badgeNumber;
  Asw_Num_Open(badge.AswNum.c_str());
  const int32_t status = Asw_Num_Read(badge);
  Asw_Num_Close();
  return status;
}

// The badge's latest assignment is the person's latest one.
bool BadgeCarriesPerson(const AswRecord& badge, const AswRecord& person, const PrvRecord& rec) {
  return badge.AswGvo == person.AswGvo && badge.AswPnr == rec.PrvPnr;
}

void TakeOver(PrvRecord& rec, const AswRecord& badge, CheckLines& lines) {
  rec.PrvAwn = badge.AswNum;
  rec.PrvGvo = badge.AswGvo;
  rec.PrvGbi = badge.AswGbi;
  rec.PrvErf = badge.AswErf;
  rec.PrvAwa = 1;
  rec.PrvDna = kMarkBegins;
  lines.push_back(ChangeLine(rec, kInfoAssignmentBegins));
}

// The last day of a row whose assignment is over is the day before the run
// day as the calendar has it (the run day itself when the calendar lacks
// that day), whatever day the assignment itself ended.
void SetLastDayBeforeRunDay(PrvRecord& rec, const RunStamp& run) { Bak_Calc(2, -1, run.RunDate, rec.PrvGbi.buffer()); }

void MarkEnded(PrvRecord& rec, const char* info, CheckLines& lines) {
  rec.PrvAwa = 1;
  rec.PrvDna = kMarkEnds;
  lines.push_back(ChangeLine(rec, info));
}

// A lookup that fails (a status other than 0 and 1403: the database busy, a
// table missing, a row that cannot be read) says nothing about the person.
// Taken as "no assignment" it would tell the terminals that a valid badge
// expired, so the check then leaves the row as it is and the next run
// decides. The failure goes to the message log under the lookup's name, so
// that a row left stale run after run shows why. Answers whether it failed.
bool LookupFailed(const char* lookup, int32_t status, const PrvRecord& rec) {
  if (!ora::IsFailure(status)) return false;
  const std::string message = std::string(lookup) + " fehlgeschlagen, PNR: " + rec.PrvPnr.str();
  MsgLog_Report(status, lookup, message.c_str(), FMSG);
  return true;
}

bool CheckRowWithoutBadge(PrvRecord& rec, const RunStamp& run, CheckLines& lines) {
  AswRecord person;
  const int32_t personStatus = PersonLookup(rec, person);
  if (LookupFailed("Asw_Pnr_Read", personStatus, rec) || personStatus == ora::kNoRow) return false;
  if (EndedBeforeRunDay(person.AswGbi, run)) return false;
  AswRecord badge;
  if (LookupFailed("Asw_Num_Read", BadgeLookup(person.AswNum, badge), rec)) return false;
  if (!BadgeCarriesPerson(badge, person, rec)) return false;
  TakeOver(rec, badge, lines);
  return true;
}

bool CheckRowWithBadge(PrvRecord& rec, const RunStamp& run, CheckLines& lines) {
  AswRecord person;
  const int32_t personStatus = PersonLookup(rec, person);
  AswRecord badge;
  const int32_t badgeStatus = BadgeLookup(rec.PrvAwn, badge);
  const bool personFailed = LookupFailed("Asw_Pnr_Read", personStatus, rec);
  const bool badgeFailed = LookupFailed("Asw_Num_Read", badgeStatus, rec);

  // A person without any begun assignment needs nothing from the badge: a
  // badge lookup that failed (another person's broken row on that badge)
  // must not keep this row's end from the terminals.
  if (personStatus == ora::kNoRow) {
    MarkEnded(rec, "Ausweiszuordnung zu Ende!", lines);
    return true;
  }
  if (personFailed || badgeFailed) return false;

  if (person.AswNum == rec.PrvAwn && BadgeCarriesPerson(badge, person, rec)) {
    if (EndedBeforeRunDay(badge.AswGbi, run)) {
      SetLastDayBeforeRunDay(rec, run);
      MarkEnded(rec, "Ausweiszuordnung zu Ende!", lines);
      return true;
    }
    bool copied = false;
    if (rec.PrvGvo != badge.AswGvo) {
      rec.PrvGvo = badge.AswGvo;
      copied = true;
    }
    if (rec.PrvGbi != badge.AswGbi) {
      rec.PrvGbi = badge.AswGbi;
      copied = true;
    }
    if (copied) rec.PrvErf = badge.AswErf;
    return copied;
  }

  // The person's latest assignment is not the row's: either the person moved
  // to a badge that still carries that assignment, or the row's badge is lost.
  if (LookupFailed("Asw_Num_Read", BadgeLookup(person.AswNum, badge), rec)) return false;
  if (BadgeCarriesPerson(badge, person, rec)) {
    TakeOver(rec, badge, lines);
    return true;
  }
  SetLastDayBeforeRunDay(rec, run);
  MarkEnded(rec, "Ausweiszuordnung abgelaufen!", lines);
  return true;
}

}  // namespace

std::string ChangeLine(const PrvRecord& rec, const char* info) {
  return Format("PNR: %-8s AWN: %-8s  DnlKng: %s(%d) Info: %s\n", rec.PrvPnr.c_str(), rec.PrvAwn.c_str(),
                rec.PrvDna.c_str(), static_cast<int>(rec.PrvAwa), info);
}

bool CheckEmployment(PrvRecord& rec, bool& changed, CheckLines& lines) {
  const int32_t status = Bsv_PnrReadk(rec.PrvPnr.c_str());
  // A failed lookup neither ends nor resumes the employment; the badge and
  // cost-centre checks are skipped, as they are for a person not employed.
  if (LookupFailed("Bsv_PnrReadk", status, rec)) return false;
  if (status == ora::kNoRow && rec.PrvAwa == 1) {
    rec.PrvAwa = 2;
    rec.PrvDna = kMarkEnds;
    changed = true;
    lines.push_back(ChangeLine(rec, "Beschäftigungsverhaeltnis zu Ende!"));
  } else if (status == ora::kOk && rec.PrvAwa == 2) {
    rec.PrvAwa = 1;
    changed = true;
    lines.push_back(ChangeLine(rec, "Beschäftigungsverhaeltnis beginnt!"));
  }
  return status == ora::kOk;
}

bool CheckAssignment(PrvRecord& rec, const RunStamp& run, CheckLines& lines) {
  return rec.PrvAwn.empty() ? CheckRowWithoutBadge(rec, run, lines) : CheckRowWithBadge(rec, run, lines);
}

bool CheckCostCentre(PrvRecord& rec, CheckLines& lines) {
  FixedText<11> today{};
  // No row for today (1403) empties the cost centre; a failed read knows
  // nothing and changes nothing.
  if (LookupFailed("Ztg_PnrReadk", Ztg_PnrReadk(rec.PrvPnr.c_str(), today), rec)) return false;
  if (rec.PrvKst == today) return false;
  rec.PrvKst = today;
  if (rec.PrvDna.empty()) rec.PrvDna = kMarkCostCentre;
  lines.push_back(ChangeLine(rec, "Aenderung der Kostenstellenzuordnung!"));
  return true;
}

bool CheckNameAddress(PrvRecord& rec, CheckLines& lines) {
  FixedText<51> name{}, street{}, place{};
  // A deleted person (1403) empties name and address; a failed read knows
  // nothing and changes nothing.
  if (LookupFailed("Pnr_PKeyReadk", Pnr_PKeyReadk(rec.PrvPnr.c_str(), name, street, place), rec)) return false;
  bool copied = false;
  auto take = [&copied](FixedText<51>& field, const FixedText<51>& value) {
    if (field == value) return;
    field = value;
    copied = true;
  };
  take(rec.PrvNam, name);
  take(rec.PrvStr, street);
  take(rec.PrvOrt, place);
  if (copied) lines.push_back(NameLine(rec, "Namens- bzw. Adressaenderung!"));
  return copied;
}

bool RunChecks(PrvRecord& rec, const RunStamp& run, CheckSet set, CheckLines& lines) {
  bool changed = false;
  if (CheckEmployment(rec, changed, lines)) {
    if (CheckAssignment(rec, run, lines)) changed = true;
    if (CheckCostCentre(rec, lines)) changed = true;
  }
  if (set == CheckSet::FullCheck && CheckNameAddress(rec, lines)) changed = true;
  return changed;
}
