// Starting a program as a child process, waiting for it and killing it.
//
// The tests start the system's programs this way and read what they print;
// the benchmark starts them this way and measures them. (The job itself starts
// the download program detached, through Plat_ShellOpen, and never waits.)
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Where the program's standard output and standard error go (both to one
// place, but for Inherit).
enum class PlatOutput {
  Discard,   // the null device
  Capture,   // collected into PlatExit::output
  Append,    // appended to `outputFile`, which is created when missing
  Truncate,  // written to `outputFile`, emptied first, created when missing
  Inherit,   // this process's own standard output and standard error, each to its own
};

struct PlatLaunch {
  std::vector<std::string> argv;  // argv[0] is the program's path, taken as it stands (no search)
  std::string directory;          // the program's working directory; empty: this process's
  std::string input;              // its standard input, then end of file; empty: nothing (the null device)
  PlatOutput output = PlatOutput::Discard;
  std::string outputFile;         // for Append and Truncate
  // Windows: the program, and every program it starts that does not break
  // away, ends when this process ends, however it ends (killed too): they
  // run in a job object that kills on close, whose one handle this process
  // keeps until the program has ended; not where this process runs in a job
  // that forbids leaving it. Linux: the kernel kills the program when the
  // thread that started it ends (PR_SET_PDEATHSIG); what the program starts
  // lives on. Other POSIX systems: nothing beyond the handle's kill.
  bool endsWithStarter = false;
};

// How a program ended, and what it cost.
struct PlatExit {
  bool started = false;    // false: no process could be made (a program that cannot be executed exits 127)
  bool exited = false;     // it ended by itself
  int exitCode = -1;       // its exit code when it did, else -1
  int signal = 0;          // the signal that ended it, else 0
  bool killed = false;     // ended by a kill, Kill()'s or anyone's
  double wallSeconds = 0;  // from start to end
  double cpuSeconds = 0;   // user + system time of the program and of the children it waited for
  long maxRssKiB = 0;      // peak resident memory of the same
  std::string output;      // with PlatOutput::Capture
};

struct PlatProcessState;

// One started program. A program still running when its handle goes is
// killed and waited for, so that none outlives what started it.
class PlatProcess {
 public:
  // Starts the program. Output into a file that cannot be opened, or any
  // other failure before the program exists, leaves it not started: Wait()
  // then returns at once with `started` false.
  static PlatProcess Start(const PlatLaunch& launch);

  PlatProcess();
  ~PlatProcess();
  PlatProcess(PlatProcess&&) noexcept;
  PlatProcess& operator=(PlatProcess&&) noexcept;

  // The instant it was started.
  std::chrono::steady_clock::time_point startedAt() const;

  // Waits for the end; with Capture, reads the output until the program
  // closes it. Waiting again returns the same.
  PlatExit Wait();
  // Waits at most until `deadline`; nothing when the program still runs then.
  std::optional<PlatExit> WaitUntil(std::chrono::steady_clock::time_point deadline);
  // Kills the program (it cannot intercept that) and waits for it; returns
  // how it ended, which may also be by itself before the kill arrived. With
  // endsWithStarter on Windows, what it started inside its job goes too.
  PlatExit Kill();

 private:
  std::unique_ptr<PlatProcessState> state_;
};

// Starts the program and waits for it.
PlatExit Plat_Run(const PlatLaunch& launch);

// The number of this process, unique among the processes running now.
std::int64_t Plat_ProcessId();
