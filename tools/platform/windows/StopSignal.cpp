#include "tools/platform/StopSignal.h"

#include <windows.h>

namespace {
volatile LONG stopRequested = 0;

// Ctrl-C and Ctrl-Break at the console, and the console's closing, logoff
// and shutdown: noted, and handled (the process is not ended for them; for
// the last three Windows ends it anyway once the handler returns).
BOOL WINAPI NoteStop(DWORD) {
  ::InterlockedExchange(&stopRequested, 1);
  return TRUE;
}
}  // namespace

void Plat_CatchStopRequests() {
  // Console handlers belong to this process; programs it starts have their own.
  ::SetConsoleCtrlHandler(NoteStop, TRUE);
}

bool Plat_StopRequested() { return ::InterlockedCompareExchange(&stopRequested, 0, 0) != 0; }
