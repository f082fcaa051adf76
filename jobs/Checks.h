// Change checks: compare one Mvs510Prv row with the personnel master data
// and correct it in place.
//
// The jobs S and A run these on a PrvRecord that they own. A check reads the
// master data of the record's person (employment period, badge assignments,
// today's cost centre, name and address) on the run's database session,
// corrects the record where they differ, and sets the download mark PrvDna
// where the terminals must learn of the change ("NEU" a badge assignment
// begins, "LOE" the assignment or the employment ends, "AEN" the cost
// centre changed). It appends at most one job-log line to the caller's
// `lines`, formatted at the moment of its change, so the line shows the
// record as that check left it.
//
// The checks never store the row and never write the job log: the caller
// stores the row once after all checks and then writes the lines.
//
// A lookup that finds nothing (1403) is an answer; one that fails (any other
// non-zero status: a table missing, a row that cannot be read, the database
// busy) is not. One rule holds for every check: a failed lookup changes
// nothing in that check, and it is reported to the message log (FMSG) under
// the lookup's name ("Bsv_PnrReadk", "Asw_Pnr_Read", "Asw_Num_Read",
// "Ztg_PnrReadk", "Pnr_PKeyReadk") with its status, once per failed call.
// So a passing error never closes a valid badge, and a lasting one leaves
// the row as it was with the reason in the log on every run. Where the
// outcome is certain without the failed lookup, it still stands: a row
// whose person has no begun assignment is ended even when the lookup of its
// badge fails. A failed employment lookup answers false, so the badge and
// cost-centre checks are skipped for that row. Nothing is thrown. The
// checks are handed the run's stamp (its RunDate) and keep no state
// between calls.
#pragma once

#include <string>
#include <vector>

#include "db/Records.h"
#include "jobs/RunStamp.h"

// Job-log lines of one row, in the order the checks ran; each ends in "\n".
using CheckLines = std::vector<std::string>;

inline constexpr const char* kInfoAssignmentBegins = "Ausweiszuordnung beginnt!";

// The line of a change: "PNR: %-8s AWN: %-8s  DnlKng: %s(%d) Info: %s\n"
// with PrvPnr, PrvAwn, PrvDna, PrvAwa and `info`. Longer values are not cut.
std::string ChangeLine(const PrvRecord& rec, const char* info);

// Employment period covering today (Bsv_PnrReadk). A row with PrvAwa 1 and
// no such period gets PrvAwa 2 and "LOE"; a row with PrvAwa 2 whose lookup
// found a period gets PrvAwa 1 and keeps its PrvDna. Either
// change sets `changed` (never clears it) and adds a line. Other PrvAwa
// values are left alone. Answers true exactly when the lookup found a period
// (status 0): only then may the badge and cost-centre checks run.
bool CheckEmployment(PrvRecord& rec, bool& changed, CheckLines& lines);

// The person's latest begun badge assignment against the row's badge and
// days: takes over a newly begun assignment ("NEU"), closes an ended or lost
// one ("LOE", PrvGbi the calendar's day before RunDate), or corrects the days
// silently. Answers whether it changed the record.
bool CheckAssignment(PrvRecord& rec, const RunStamp& run, CheckLines& lines);

// Today's cost centre (Ztg_PnrReadk; no row for today counts as empty)
// into PrvKst; "AEN" when nothing else is pending. Answers whether it
// changed the record.
bool CheckCostCentre(PrvRecord& rec, CheckLines& lines);

// Name, street and place of the person (Pnr_PKeyReadk; a deleted person
// counts as empty texts) into PrvNam, PrvStr, PrvOrt. PrvDna is not
// touched. Answers whether it changed the record.
bool CheckNameAddress(PrvRecord& rec, CheckLines& lines);

// Which checks a job runs on its rows.
//  - FullCheck (A, and U after its update): all four in their fixed order.
//  - SingleAssignment (S): employment, badge and cost centre. S handles one
//    badge assignment that has just been recorded; what it must pass on at
//    once is what that assignment decides. Names and addresses are not part
//    of it: a row that S creates takes them from the assignment's person,
//    and the full check of every row keeps them current.
enum class CheckSet { SingleAssignment, FullCheck };

// Runs the checks of `set` on one row, in their fixed order: employment
// first; the badge and cost-centre checks only when the person is employed
// today (CheckEmployment answered true), since an ended employment already
// told the terminals everything; the name check last, whatever the
// employment. All work on the same record, so a later check sees what an
// earlier one set (the cost-centre check marks "AEN" only when nothing else
// is pending). Answers whether any check changed the record.
bool RunChecks(PrvRecord& rec, const RunStamp& run, CheckSet set, CheckLines& lines);
