#include "jobs/SingleAssignmentJob.h"

#include "db/DbDb.h"
#include "db/Dbstd.h"
#include "jobs/Checks.h"
#include "jobs/DownloadMark.h"
#include "jobs/NewRow.h"
#include "log/JobLogSection.h"
#include "log/MsgLog.h"
#include "util/OraStatus.h"

namespace {

// Everything between the job log's header and its closing empty line.
void HandleAssignment(const RunStamp& run, const char* badgeNumber, const char* firstDay, JobLogSection& log) {
  AswRecord asw{};
  asw.AswNum = badgeNumber;
  asw.AswGvo = firstDay;
  const int32_t found = Asw_PKeyReadk(asw);
  if (found != ora::kOk) {
    MsgLog_Report(found, "Asw_PKeyReadk()", "Fehler Asw-Read", FMSG);
    return;
  }

  PrvRecord rec{};
  rec.PrvPnr = asw.AswPnr;
  const int32_t read = Prv_PKeyReadk(rec);
  if (ora::IsFailure(read)) {
    MsgLog_Report(read, "Prv_PKeyReadk()", "Prv_ReadKey fehlgeschlagen", FMSG);
    return;
  }

  bool insertedNow = false;
  if (read == ora::kNoRow) {
    FillNewRow(rec, asw);
    const int32_t inserted = Prv_PKeyIns(rec);
    if (inserted != ora::kOk) {
      // The checks still run: when they find a change, the update that
      // follows fails too and is reported as well.
      MsgLog_Report(inserted, "Prv_PKeyIns()", "Prv_PKeyIns fehlgeschlagen", FMSG);
    } else {
      log.Write(ChangeLine(rec, kInfoAssignmentBegins));
      insertedNow = true;
      // The insert has committed itself already; this commit finds nothing
      // pending. It stays as the job has always done it, harmless and cheap.
      dbCommit();
    }
  }

  CheckLines lines;
  if (!RunChecks(rec, run, CheckSet::SingleAssignment, lines)) return;

  if (insertedNow && rec.PrvDna == kMarkEnds) {
    // The row was created in this run for an assignment or employment that
    // the checks found already over: rather than announce a begin and an
    // end at once, the row stays without badge, first day and mark.
    rec.PrvDna.clear();
    rec.PrvDwn.clear();
    rec.PrvGvo.clear();
    rec.PrvAwn.clear();
  }
  NameSystemBesidePendingMark(rec);

  const int32_t stored = Prv_PKeyUpd(rec);
  if (stored != ora::kOk) MsgLog_Report(stored, "Prv_PKeyUpd", "Update des PRV-Satzes fehlgeschlagen", FMSG);
  for (const std::string& line : lines) log.Write(line);
}

}  // namespace

void SingleAssignmentJob(const RunStamp& run, const char* badgeNumber, const char* firstDay) {
  JobLogSection log(run.RunHeader);
  HandleAssignment(run, badgeNumber, firstDay, log);
}
