#include "app/Entry.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "db/DbDb.h"
#include "db/Dbstd.h"
#include "jobs/AssignmentUpdateJob.h"
#include "jobs/DownloadMark.h"
#include "jobs/FullCheckJob.h"
#include "jobs/RunStamp.h"
#include "jobs/SingleAssignmentJob.h"
#include "log/MsgLog.h"
#include "platform/Clock.h"
#include "platform/InstallationFiles.h"
#include "platform/ShellOpen.h"
#include "util/CivilDate.h"
#include "util/OraStatus.h"

namespace {

// The single assignment job needs a badge number that fits its field and a
// first day that names a real day; anything else would read a wrong
// assignment or none, so the run reports it and runs no job.
bool SingleAssignmentArgumentsValid(int argc, char** argv) {
  if (argc < 4) {
    MsgLog_Report(argc, "main", "Parameter fehlen: Ausweisnummer und Gueltig-ab-Datum erforderlich", FMSG);
    return false;
  }
  if (std::strlen(argv[2]) == 0 || std::strlen(argv[2]) > 8) {
    MsgLog_Report(2, "main", "Ausweisnummer ungueltig (1 bis 8 Zeichen)", FMSG);
    return false;
  }
  if (!IsValidDayText(argv[3])) {
    MsgLog_Report(3, "main", "Gueltig-ab-Datum ungueltig (JJJJMMTT erwartet)", FMSG);
    return false;
  }
  return true;
}

}  // namespace

int ZelWrkJob_Main(int argc, char** argv) {
  MsgLog_Setup(FMSG | SMSG | DMSG, kMessageLogFile);

  if (argc < 2) {
    MsgLog_Report(argc, "main", "Mindestanzahl Parameter = 2", FMSG);
    return 0;
  }

  // Only the first character of the first argument counts; case matters.
  // It is kept as a text of one character, the form the job letter has
  // always had in this program; only letter[0] is ever looked at.
  char letter[2] = {argv[1][0], '\0'};

  const int32_t connected = dbConnect();
  if (connected != ora::kOk) {
    MsgLog_Report(connected, "dbConnect", "Connect mit DB fehlgeschlagen", FMSG);
    return 0;
  }

  const RunStamp run = RunStamp_Fix(Plat_Now());

  switch (letter[0]) {
    case 'A':
      FullCheckJob(run);
      break;
    case 'L': {
      const int32_t status = Prv_Delete();
      // "Msv510Prv" (sic): the message text is the one the system's operators
      // know and search for, misspelt table name included.
      if (status != ora::kOk) MsgLog_Report(status, "Prv_Delete()", "Loeschen Msv510Prv fehlgeschlagen", FMSG);
      break;
    }
    case 'S':
      if (SingleAssignmentArgumentsValid(argc, argv)) SingleAssignmentJob(run, argv[2], argv[3]);
      break;
    case 'U':
      AssignmentUpdateJob(run);
      // Every insert and update of the job has committed itself; this commit
      // finds nothing pending. It marks the boundary between the two jobs
      // as the job has always had it, and costs nothing.
      dbCommit();
      FullCheckJob(run);
      break;
    default:
      break;  // any other letter selects no job; the download program still starts
  }

  char parameters[64];
  std::snprintf(parameters, sizeof parameters, "%s %s", kSystemName, "Mvs510Prv");
  Plat_ShellOpen(kDownloadProgramFile, parameters);
  return 0;
}
