#include "tools/zelrun/RunJob.h"

#include <chrono>
#include <sstream>

#include "tools/platform/StopSignal.h"

namespace {
using Clock = std::chrono::steady_clock;
// How often the wait for the job looks for a stop request.
constexpr auto kStopCheck = std::chrono::milliseconds(200);
}  // namespace

JobEnd RunJob(const std::string& program, const std::vector<std::string>& args, std::optional<double> timeoutSeconds) {
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), args.begin(), args.end());
  Plat_CatchStopRequests();
  // Tied to zelrun: on Windows a Task Scheduler that stops the task ends
  // zelrun.exe alone, and the job must not run on without the lock.
  PlatProcess job = PlatProcess::Start({argv, "", "", PlatOutput::Inherit, "", /*endsWithStarter=*/true});
  std::optional<Clock::time_point> deadline;
  if (timeoutSeconds) {
    deadline =
        job.startedAt() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(*timeoutSeconds));
  }
  JobEnd end;
  for (;;) {
    Clock::time_point until = Clock::now() + kStopCheck;
    if (deadline && *deadline < until) until = *deadline;
    if (std::optional<PlatExit> e = job.WaitUntil(until)) {
      end.exit = *e;
      return end;
    }
    end.stopped = Plat_StopRequested();
    end.timedOut = !end.stopped && deadline && Clock::now() >= *deadline;
    if (end.stopped || end.timedOut) {
      end.exit = job.Kill();
      return end;
    }
  }
}

std::string RunJob_Trouble(const JobEnd& end, const std::string& program, std::optional<double> timeoutSeconds) {
  std::ostringstream text;
  if (!end.exit.started) {
    text << "zelrun: cannot start " << program;
  } else if (end.stopped) {
    text << "zelrun: asked to stop; " << program << " was killed";
  } else if (end.timedOut) {
    text << "zelrun: " << program << " ran longer than " << timeoutSeconds.value_or(0) << " s and was killed";
  } else if (!end.exit.exited) {
    text << "zelrun: " << program << " ended by signal " << end.exit.signal;
  } else if (end.exit.exitCode != 0) {
    text << "zelrun: " << program << " ended with exit code " << end.exit.exitCode;
  }
  return text.str();
}
