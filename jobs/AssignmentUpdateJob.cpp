#include "jobs/AssignmentUpdateJob.h"

#include <cstdio>

#include "db/Dbstd.h"
#include "jobs/DownloadMark.h"
#include "jobs/NewRow.h"
#include "log/JobLogSection.h"
#include "log/MsgLog.h"
#include "util/OraStatus.h"

namespace {

// The two findings about a person with more than one current assignment;
// both name the further row, i.e. the older assignment.
void WriteFurtherRowLine(JobLogSection& log, const AswRecord& current, const AswRecord& previous) {
  const char* format = current.AswNum == previous.AswNum ? "Pnr: %s Awn: %s Mehrere gültige Zeitraeume! \n"
                                                         : "Pnr: %s mit 2. gültiger Awn-Nr: %s !\n";
  char line[128];
  std::snprintf(line, sizeof line, format, current.AswPnr.c_str(), current.AswNum.c_str());
  log.Write(line);
}

// Brings badge number and days of an existing row in line with the person's
// newest current assignment. Returns false when nothing had to change.
bool CorrectFromAssignment(PrvRecord& prv, const AswRecord& asw) {
  if (prv.PrvAwn == asw.AswNum && prv.PrvGvo == asw.AswGvo && prv.PrvGbi == asw.AswGbi) return false;
  if (!(prv.PrvGbi == asw.AswGbi)) prv.PrvGbi = asw.AswGbi;
  if (!(prv.PrvGvo == asw.AswGvo)) prv.PrvGvo = asw.AswGvo;
  // Only a new badge is something the download must pass on; changed days
  // alone leave a pending mark (or none) as it was.
  if (!(prv.PrvAwn == asw.AswNum)) {
    prv.PrvAwn = asw.AswNum;
    prv.PrvDna = kMarkBegins;
    prv.PrvDwn = kSystemName;
    prv.PrvAwa = 1;
  }
  return true;
}

}  // namespace

void AssignmentUpdateJob(const RunStamp& run) {
  JobLogSection log(run.RunHeader);

  // Persons are told apart by comparing each row with the one before it:
  // the cursor delivers all rows of a person together, newest first day
  // first, so no table of persons is needed however many rows there are.
  AswRecord previous{};
  AswRecord current{};
  bool anyPrevious = false;
  Asw_PnrAll_Open();
  int32_t fetched = Asw_PnrAll_Read(current);

  while (fetched == ora::kOk) {
    const bool firstOfPerson = !anyPrevious || !(current.AswPnr == previous.AswPnr);
    if (!firstOfPerson) WriteFurtherRowLine(log, current, previous);

    PrvRecord prv{};
    prv.PrvPnr = current.AswPnr;
    const int32_t read = Prv_PKeyReadk(prv);
    if (ora::IsFailure(read)) {
      MsgLog_Report(read, "Prv_PKeyReadk()", "Prv_ReadKey fehlgeschlagen", FMSG);
      break;
    }

    if (read == ora::kNoRow) {
      // Also for a further row: when the newer assignment's insert failed,
      // the person still gets a row, from the older one.
      FillNewRow(prv, current);
      const int32_t inserted = Prv_PKeyIns(prv);
      if (inserted != ora::kOk) MsgLog_Report(inserted, "Prv_PKeyIns()", "Prv_PKeyIns fehlgeschlagen", FMSG);
    } else if (firstOfPerson && CorrectFromAssignment(prv, current)) {
      const int32_t updated = Prv_PKeyUpd(prv);
      if (updated != ora::kOk) {
        MsgLog_Report(updated, "Prv_PKeyUpd()", "Prv_PKeyUpd fehlgeschlagen", FMSG);
        break;
      }
    }

    previous = current;
    anyPrevious = true;
    current = AswRecord{};
    fetched = Asw_PnrAll_Read(current);
  }

  if (ora::IsFailure(fetched)) MsgLog_Report(fetched, "Asw_PnrAll_Read", "Cursor Asw_Read fehlgeschlagen", FMSG);
  Asw_PnrAll_Close();
}
