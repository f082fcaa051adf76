// Running zelwrkjob once: started as a child with this process's standard
// output and error, waited for, and killed when it runs past its timeout or
// when zelrun itself is asked to stop (SIGTERM, SIGINT, SIGHUP), so that the
// job never runs on without the run's lock. On Windows it also ends when
// zelrun.exe is ended from outside (the Task Scheduler's stop): it runs in a
// job object that dies with zelrun, which the download program it starts
// leaves (platform/ShellOpen.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/platform/ChildProgram.h"

struct JobEnd {
  PlatExit exit;
  bool timedOut = false;  // killed at its timeout
  bool stopped = false;   // killed because zelrun was asked to stop
  // It ran and ended by itself with exit code 0.
  bool finished() const { return exit.started && exit.exited && exit.exitCode == 0 && !timedOut && !stopped; }
};

// Runs `program` with `args` in the working directory and waits for its end.
JobEnd RunJob(const std::string& program, const std::vector<std::string>& args, std::optional<double> timeoutSeconds);

// What went wrong with the run, for standard error; empty when it finished.
std::string RunJob_Trouble(const JobEnd& end, const std::string& program, std::optional<double> timeoutSeconds);
