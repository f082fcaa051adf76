#include "jobs/SingleAssignmentJob.h"

#include "app/RunStamp.h"
#include "db/DbDb.h"
#include "db/Dbstd.h"
#include "db/OraStatus.h"
#include "jobs/Checks.h"
#include "jobs/NewRow.h"
#include "jobs/Report.h"
#include "log/JobLog.h"

namespace {

// Everything between the job log's header and its closing empty line.
void HandleAssignment(const char* badgeNumber, const char* firstDay, JobLog& log) {
  AswRecord asw{};
  asw.AswNum = badgeNumber;
  asw.AswGvo = firstDay;
  const int32_t found = Asw_PKeyReadk(asw);
  if (found != ora::kOk) {
    ReportFailure("Asw_PKeyReadk()", "Fehler Asw-Read", found);
    return;
  }

  PrvRecord rec{};
  rec.PrvPnr = asw.AswPnr;
  const int32_t read = Prv_PKeyReadk(rec);
  if (read != ora::kOk && read != ora::kNoRow) {
    ReportFailure("Prv_PKeyReadk()", "Prv_ReadKey fehlgeschlagen", read);
    return;
  }

  bool insertedNow = false;
  if (read == ora::kNoRow) {
    FillNewRow(rec, asw);
    const int32_t inserted = Prv_PKeyIns(rec);
    if (inserted != ora::kOk) {
      // The checks still run: when they find a change, the update that
      // follows fails too and is reported as well.
      ReportFailure("Prv_PKeyIns()", "Prv_PKeyIns fehlgeschlagen", inserted);
    } else {
      log.Write(ChangeLine(rec, kInfoAssignmentBegins));
      insertedNow = true;
      dbCommit();
    }
  }

  bool changed = false;
  CheckLines lines;
  if (CheckEmployment(rec, changed, lines)) {
    if (CheckAssignment(rec, lines)) changed = true;
    if (CheckCostCentre(rec, lines)) changed = true;
  }
  if (!changed) return;

  if (insertedNow && rec.PrvDna == "LOE") {
    // The row was created in this run for an assignment or employment that
    // the checks found already over: rather than announce a begin and an
    // end at once, the row stays without badge, first day and mark.
    rec.PrvDna.clear();
    rec.PrvDwn.clear();
    rec.PrvGvo.clear();
    rec.PrvAwn.clear();
  }
  if (!rec.PrvDna.empty()) rec.PrvDwn = "Marvane";

  const int32_t stored = Prv_PKeyUpd(rec);
  if (stored != ora::kOk) ReportFailure("Prv_PKeyUpd", "Update des PRV-Satzes fehlgeschlagen", stored);
  for (const std::string& line : lines) log.Write(line);
}

}  // namespace

void SingleAssignmentJob(const char* badgeNumber, const char* firstDay) {
  JobLog log;
  if (log.Open()) log.Write(RunHeader);
  HandleAssignment(badgeNumber, firstDay, log);
  log.Write("\n");
  log.Close();
}
