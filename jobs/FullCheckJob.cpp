#include "jobs/FullCheckJob.h"

#include "db/Dbstd.h"
#include "jobs/Checks.h"
#include "jobs/DownloadMark.h"
#include "log/JobLogSection.h"
#include "log/MsgLog.h"
#include "util/OraStatus.h"

void FullCheckJob(const RunStamp& run) {
  JobLogSection log(run.RunHeader);

  // The fetch replaces every field it transfers, so one record serves all rows.
  PrvRecord rec{};
  Prv_PnrRange_Open("00000000", "99999999");
  int32_t status = Prv_PKeyRead(rec);
  while (status == ora::kOk) {
    CheckLines lines;
    if (RunChecks(rec, run, CheckSet::FullCheck, lines)) {
      NameSystemBesidePendingMark(rec);
      const int32_t stored = Prv_PKeyUpd(rec);
      if (stored != ora::kOk) {
        // Lines of a change that is not stored would tell of a download
        // that never comes; the rows after it wait for the next run.
        MsgLog_Report(stored, "Prv_PKeyUpd", "Update des PRV-Satzes fehlgeschlagen", FMSG);
        break;
      }
      for (const std::string& line : lines) log.Write(line);
    }
    status = Prv_PKeyRead(rec);
  }
  if (ora::IsFailure(status)) MsgLog_Report(status, "Prv_PKeyRead", "Read des PRV-Satzes fehlgeschlagen", FMSG);
  Prv_PnrRange_Close();
}
