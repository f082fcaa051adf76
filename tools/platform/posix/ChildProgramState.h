// What a started program's handle holds on POSIX: the process, and the
// parent's ends of the pipes to its standard input and output.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <string>

#include "tools/platform/ChildProgram.h"

struct PlatProcessState {
  pid_t pid = -1;
  std::chrono::steady_clock::time_point started;
  int inputFd = -1;   // our end of the input pipe, until the input is written
  std::string input;
  std::size_t inputSent = 0;
  int outputFd = -1;  // our end of the output pipe, until end of file (Capture)
  bool ended = false;
  PlatExit exit;
};
