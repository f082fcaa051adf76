#include "app/Entry.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/RunStamp.h"
#include "db/DbDb.h"
#include "db/Dbstd.h"
#include "jobs/AssignmentUpdateJob.h"
#include "jobs/FullCheckJob.h"
#include "jobs/Report.h"
#include "jobs/SingleAssignmentJob.h"
#include "log/MsgLog.h"
#include "platform/Clock.h"
#include "platform/Process.h"
#include "util/CivilDate.h"

namespace {

// The single assignment job needs a badge number that fits its field and a
// first day that names a real day; anything else would read a wrong
// assignment or none, so the run reports it and runs no job.
bool SingleAssignmentArgumentsValid(int argc, char** argv) {
  if (argc < 4) {
    ReportFailure("main", "Parameter fehlen: Ausweisnummer und Gueltig-ab-Datum erforderlich", argc);
    return false;
  }
  if (std::strlen(argv[2]) == 0 || std::strlen(argv[2]) > 8) {
    ReportFailure("main", "Ausweisnummer ungueltig (1 bis 8 Zeichen)", 2);
    return false;
  }
  if (!IsValidDayText(argv[3])) {
    ReportFailure("main", "Gueltig-ab-Datum ungueltig (JJJJMMTT erwartet)", 3);
    return false;
  }
  return true;
}

}  // namespace

int ZelWrkJob_Main(int argc, char** argv) {
  MsgLog_Setup(FMSG | SMSG | DMSG, ".\\Msg\\ZelWrkJob.txt");

  if (argc < 2) {
    ReportFailure("main", "Mindestanzahl Parameter = 2", argc);
    return 0;
  }

  // Only the first character of the first argument counts; case matters.
  char letter[2] = {argv[1][0], '\0'};

  const int32_t connected = dbConnect();
  if (connected != 0) {
    ReportFailure("dbConnect", "Connect mit DB fehlgeschlagen", connected);
    return 0;
  }

  RunStamp_Fix(Plat_Now());

  switch (letter[0]) {
    case 'A':
      FullCheckJob();
      break;
    case 'L': {
      const int32_t status = Prv_Delete();
      if (status != 0) ReportFailure("Prv_Delete()", "Loeschen Msv510Prv fehlgeschlagen", status);
      break;
    }
    case 'S':
      if (SingleAssignmentArgumentsValid(argc, argv)) SingleAssignmentJob(argv[2], argv[3]);
      break;
    case 'U':
      AssignmentUpdateJob();
      dbCommit();
      FullCheckJob();
      break;
    default:
      break;  // any other letter selects no job; the download program still starts
  }

  char parameters[64];
  std::snprintf(parameters, sizeof parameters, "%s %s", "Marvane", "Mvs510Prv");
  Plat_ShellOpen("ZELDNLSTD.EXE", parameters);
  return 0;
}
