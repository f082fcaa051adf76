#include "tools/zelrun/MasterDataCheck.h"

#include <cstdint>

#include "db/DbstdCheck.h"
#include "util/OraStatus.h"

namespace {

std::string ReadFailed(const std::string& tables, int32_t status) {
  return "database read of " + tables + " failed (" + Ora_StatusShown(status) + ")";
}

// "yyyymmdd" as "yyyy-mm-dd".
std::string Shown(const FixedText<9>& day) {
  const std::string d = day.str();
  return d.size() == 8 ? d.substr(0, 4) + "-" + d.substr(4, 2) + "-" + d.substr(6, 2) : d;
}

void CheckCostCentres(std::vector<std::string>& problems) {
  FixedText<9> today{}, lastDay{};
  int32_t employed = 0;
  const int32_t status = Chk_ZtgLastDay(today, lastDay, employed);
  if (status != ora::kOk) {
    problems.push_back(ReadFailed("Mvs329Ztg and Mvs310Bsv", status));
    return;
  }
  if (lastDay.view() == today.view()) return;
  // A table that never held a row harms only when someone is employed: a
  // fresh database with nobody in it passes.
  std::string why;
  if (!lastDay.empty()) {
    why = " (last day " + Shown(lastDay) + ")";
  } else if (employed > 0) {
    why = " (none up to that day, " + std::to_string(employed) + (employed == 1 ? " person" : " persons") +
          " employed)";
  } else {
    return;
  }
  problems.push_back("Mvs329Ztg holds no cost centre for " + Shown(today) + why +
                     ": the night would empty every person's cost centre and mark it AEN");
}

void CheckCalendar(std::vector<std::string>& problems) {
  FixedText<9> yesterday{}, today{}, first{}, last{};
  const int32_t status = Chk_BakToday(yesterday, today, first, last);
  if (status != ora::kOk) {
    problems.push_back(ReadFailed("MvSystem.Mvs133Bak", status));
    return;
  }
  const bool hasYesterday = first.view() == yesterday.view();
  const bool hasToday = last.view() == today.view();
  if (hasYesterday && hasToday) return;
  if (!hasYesterday) {
    problems.push_back("MvSystem.Mvs133Bak holds no calendar row for " + Shown(yesterday) +
                       (hasToday ? "" : " nor for " + Shown(today)) + ": the night would give every badge it ends " +
                       Shown(today) + " as its last day instead of " + Shown(yesterday));
  } else {
    problems.push_back("MvSystem.Mvs133Bak holds no calendar row for " + Shown(today) +
                       ": the calendar is not filled ahead, and the next night would give every badge it ends its "
                       "run day as its last day");
  }
}

void CheckDefaultCode(std::vector<std::string>& problems) {
  int32_t count = 0;
  const int32_t status = Chk_FbeDefaults(count);
  if (status != ora::kOk) {
    problems.push_back(ReadFailed("Mvs559Fbe", status));
    return;
  }
  if (count == 1) return;
  problems.push_back("Mvs559Fbe holds " + std::to_string(count) +
                     " rows with FbeTyp 1, not exactly one: the night would insert every new download row with an "
                     "empty PrvFbe");
}

}  // namespace

std::vector<std::string> MasterDataCheck_Problems(const std::set<std::string>& skipped) {
  std::vector<std::string> problems;
  if (!skipped.count(kCostCentresCheck)) CheckCostCentres(problems);
  if (!skipped.count(kCalendarCheck)) CheckCalendar(problems);
  if (!skipped.count(kDefaultCodeCheck)) CheckDefaultCode(problems);
  return problems;
}
