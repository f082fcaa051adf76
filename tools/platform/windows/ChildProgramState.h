// What a started program's handle holds on Windows: the process, its job
// object (endsWithStarter), and the threads that feed its standard input and
// read its output.
#pragma once

#include <windows.h>

#include <chrono>
#include <thread>

#include "tools/platform/ChildProgram.h"

struct PlatProcessState {
  HANDLE process = nullptr;
  HANDLE job = nullptr;  // closed once the program has ended: what is left in it is killed
  std::chrono::steady_clock::time_point started;
  std::thread input;   // writes the input, then closes the pipe
  std::thread output;  // reads the output to its end (Capture)
  bool killed = false;
  bool ended = false;
  PlatExit exit;
};
