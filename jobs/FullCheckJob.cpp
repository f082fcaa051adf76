#include "jobs/FullCheckJob.h"

#include "app/RunStamp.h"
#include "db/Dbstd.h"
#include "db/OraStatus.h"
#include "jobs/Checks.h"
#include "jobs/Report.h"
#include "log/JobLog.h"

namespace {

// Runs the checks on one row in their fixed order: the badge and cost-centre
// checks only for a person employed today, the name check always. Answers
// whether any of them changed the record.
bool RunChecks(PrvRecord& rec, CheckLines& lines) {
  bool changed = false;
  if (CheckEmployment(rec, changed, lines)) {
    if (CheckAssignment(rec, lines)) changed = true;
    if (CheckCostCentre(rec, lines)) changed = true;
  }
  if (CheckNameAddress(rec, lines)) changed = true;
  return changed;
}

}  // namespace

void FullCheckJob() {
  JobLog log;
  if (log.Open()) log.Write(RunHeader);

  // The fetch replaces every field it transfers, so one record serves all rows.
  PrvRecord rec{};
  Prv_PnrRange_Open("00000000", "99999999");
  int32_t status = Prv_PKeyRead(rec);
  while (status == ora::kOk) {
    CheckLines lines;
    if (RunChecks(rec, lines)) {
      if (!rec.PrvDna.empty()) rec.PrvDwn = "Marvane";
      const int32_t stored = Prv_PKeyUpd(rec);
      if (stored != ora::kOk) {
        // Lines of a change that is not stored would tell of a download
        // that never comes; the rows after it wait for the next run.
        ReportFailure("Prv_PKeyUpd", "Update des PRV-Satzes fehlgeschlagen", stored);
        break;
      }
      for (const std::string& line : lines) log.Write(line);
    }
    status = Prv_PKeyRead(rec);
  }
  if (status != ora::kOk && status != ora::kNoRow)
    ReportFailure("Prv_PKeyRead", "Read des PRV-Satzes fehlgeschlagen", status);
  Prv_PnrRange_Close();

  log.Write("\n");
  log.Close();
}
