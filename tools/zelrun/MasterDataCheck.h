// Master data that look right but would make the night do harm silently:
// zelwrkjob reads them as they are and ends clean either way.
//
//  - cost centres: no Mvs329Ztg row for today while there are rows for
//    earlier days or persons employed today (a personnel export that did not
//    arrive): the run empties every person's cost centre and marks it AEN;
//  - calendar: no MvSystem.Mvs133Bak row for yesterday or for today: a badge
//    the run ends gets the run day itself as its last day;
//  - default code: not exactly one Mvs559Fbe row with FbeTyp 1: every
//    download row the run inserts gets an empty PrvFbe.
//
// "Today" is the database's, the day the job's statements see.
#pragma once

#include <set>
#include <string>
#include <vector>

// The names of the checks for --skip-check.
constexpr const char* kCostCentresCheck = "cost-centres";
constexpr const char* kCalendarCheck = "calendar";
constexpr const char* kDefaultCodeCheck = "default-code";

// Runs the checks not named in `skipped`, one read each on the connected
// session. Each problem is one sentence: the table, the day, and what the
// night would do; a read that fails is named with its status.
std::vector<std::string> MasterDataCheck_Problems(const std::set<std::string>& skipped);
