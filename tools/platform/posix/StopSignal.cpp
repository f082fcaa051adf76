#include "tools/platform/StopSignal.h"

#include <signal.h>

#include <initializer_list>

namespace {
volatile sig_atomic_t stopRequested = 0;

extern "C" void NoteStop(int) { stopRequested = 1; }
}  // namespace

void Plat_CatchStopRequests() {
  struct sigaction action {};
  action.sa_handler = NoteStop;
  sigemptyset(&action.sa_mask);
  // A handler set here is reset to the default by exec, so the programs
  // started afterwards end on these signals as usual.
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

bool Plat_StopRequested() { return stopRequested != 0; }
