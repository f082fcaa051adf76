#include "tools/platform/ChildProgram.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <mutex>
#include <thread>

#include "tools/platform/windows/ChildProgramState.h"

using Clock = std::chrono::steady_clock;

namespace {

// Handles are inheritable only inside this lock, from their making to the
// start of the program they are meant for: programs started side by side
// hold none of each other's pipes.
std::mutex gStartLock;

// One argument as the C runtime of the started program splits it again:
// quotes around it when it holds a blank, a tab or a quote (or is empty), a
// quote inside escaped with a backslash, and the backslashes before a quote
// or before the closing quote doubled.
void AppendQuoted(std::string& line, const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) {
    line += arg;
    return;
  }
  line += '"';
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, '\\');
  line += '"';
}

HANDLE OpenNul(DWORD access) {
  return ::CreateFileA("NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
}

// A copy of one of this process's standard handles for the child (the null
// device when it has none), so that making it inheritable leaves ours alone.
HANDLE CopyOfStandard(DWORD which) {
  const HANDLE own = ::GetStdHandle(which);
  HANDLE copy = nullptr;
  if (own == nullptr || own == INVALID_HANDLE_VALUE ||
      !::DuplicateHandle(::GetCurrentProcess(), own, ::GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
    return OpenNul(GENERIC_WRITE);
  }
  return copy;
}

void CloseHandleOnce(HANDLE& h) {
  if (h != nullptr && h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  h = nullptr;
}

// A job object that kills its processes when its last handle closes, and
// out of which a program in it may start another that breaks away
// (CREATE_BREAKAWAY_FROM_JOB): the job's download program must outlive the
// run. Not inheritable: this process holds its only handle, so that this
// process's end, however it comes, closes the job. Null when the system
// refuses one, or when it would cut the download program short.
HANDLE MakeKillOnCloseJob() {
  // Where this process runs in a job that forbids leaving it, nothing the
  // program starts could leave this one either: the download program would
  // end with it every time, right after the job. The program then runs
  // without one, as before (ended by Kill() and by this handle).
  BOOL inJob = FALSE;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION own{};
  if (::IsProcessInJob(::GetCurrentProcess(), nullptr, &inJob) && inJob &&
      ::QueryInformationJobObject(nullptr, JobObjectExtendedLimitInformation, &own, sizeof own, nullptr) &&
      !(own.BasicLimitInformation.LimitFlags & (JOB_OBJECT_LIMIT_BREAKAWAY_OK | JOB_OBJECT_LIMIT_SILENT_BREAKAWAY_OK))) {
    return nullptr;
  }
  HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
  if (job == nullptr) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_BREAKAWAY_OK;
  if (!::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    ::CloseHandle(job);
    return nullptr;
  }
  return job;
}

double Seconds(const FILETIME& t) {
  ULARGE_INTEGER v;
  v.LowPart = t.dwLowDateTime;
  v.HighPart = t.dwHighDateTime;
  return static_cast<double>(v.QuadPart) / 1e7;
}

// Collects the end of a program that has ended.
void Collect(PlatProcessState& s) {
  s.ended = true;
  s.exit.wallSeconds = std::chrono::duration<double>(Clock::now() - s.started).count();
  if (s.input.joinable()) s.input.join();
  if (s.output.joinable()) s.output.join();
  FILETIME created, exited, kernel, user;
  if (::GetProcessTimes(s.process, &created, &exited, &kernel, &user)) {
    s.exit.cpuSeconds = Seconds(kernel) + Seconds(user);
  }
  PROCESS_MEMORY_COUNTERS memory{};
  if (::K32GetProcessMemoryInfo(s.process, &memory, sizeof memory)) {
    s.exit.maxRssKiB = static_cast<long>(memory.PeakWorkingSetSize / 1024);
  }
  DWORD code = 0;
  ::GetExitCodeProcess(s.process, &code);
  // Windows has no signals: a program ended by TerminateProcess has the code
  // its killer gave. Only Kill()'s own kill is known as one.
  if (s.killed) {
    s.exit.killed = true;
  } else {
    s.exit.exited = true;
    s.exit.exitCode = static_cast<int>(code);
  }
  CloseHandleOnce(s.process);
  CloseHandleOnce(s.job);
}

bool Reap(PlatProcessState& s, DWORD waitMs) {
  if (s.ended) return true;
  if (::WaitForSingleObject(s.process, waitMs) != WAIT_OBJECT_0) return false;
  Collect(s);
  return true;
}

}  // namespace

PlatProcess PlatProcess::Start(const PlatLaunch& launch) {
  PlatProcess process;
  process.state_ = std::make_unique<PlatProcessState>();
  PlatProcessState& s = *process.state_;
  if (launch.argv.empty()) {
    s.ended = true;
    return process;
  }
  std::string commandLine;
  for (const std::string& arg : launch.argv) {
    if (!commandLine.empty()) commandLine += ' ';
    AppendQuoted(commandLine, arg);
  }

  std::lock_guard<std::mutex> hold(gStartLock);
  HANDLE childIn = nullptr, childOut = nullptr, childErr = nullptr, inputEnd = nullptr, outputEnd = nullptr;
  if (launch.input.empty()) {
    childIn = OpenNul(GENERIC_READ);
  } else if (!::CreatePipe(&childIn, &inputEnd, nullptr, 0)) {
    childIn = nullptr;
  }
  switch (launch.output) {
    case PlatOutput::Discard:
      childOut = OpenNul(GENERIC_WRITE);
      break;
    case PlatOutput::Capture:
      if (!::CreatePipe(&outputEnd, &childOut, nullptr, 0)) childOut = nullptr;
      break;
    case PlatOutput::Append:
    case PlatOutput::Truncate: {
      const bool append = launch.output == PlatOutput::Append;
      childOut = ::CreateFileA(launch.outputFile.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, append ? OPEN_ALWAYS : CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
      break;
    }
    case PlatOutput::Inherit:
      childOut = CopyOfStandard(STD_OUTPUT_HANDLE);
      childErr = CopyOfStandard(STD_ERROR_HANDLE);
      break;
  }
  const auto valid = [](HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; };
  const bool ready = valid(childIn) && valid(childOut) && (childErr == nullptr || valid(childErr));

  s.started = Clock::now();
  PROCESS_INFORMATION info{};
  bool created = false;
  HANDLE job = ready && launch.endsWithStarter ? MakeKillOnCloseJob() : nullptr;
  if (ready) {
    ::SetHandleInformation(childIn, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    ::SetHandleInformation(childOut, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    if (childErr) ::SetHandleInformation(childErr, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn;
    startup.hStdOutput = childOut;
    startup.hStdError = childErr ? childErr : childOut;
    // With a job, started suspended and put into it before its first
    // instruction, so that nothing it starts can escape it.
    created = ::CreateProcessA(launch.argv[0].c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                               CREATE_NO_WINDOW | (job ? CREATE_SUSPENDED : 0), nullptr,
                               launch.directory.empty() ? nullptr : launch.directory.c_str(), &startup, &info) != 0;
  }
  CloseHandleOnce(childIn);
  CloseHandleOnce(childOut);
  CloseHandleOnce(childErr);
  if (!ready) {
    CloseHandleOnce(inputEnd);
    CloseHandleOnce(outputEnd);
    s.ended = true;
    return process;
  }
  s.exit.started = true;
  if (!created) {
    CloseHandleOnce(job);
    // As a program that cannot be executed ends on POSIX.
    CloseHandleOnce(inputEnd);
    CloseHandleOnce(outputEnd);
    s.ended = true;
    s.exit.exited = true;
    s.exit.exitCode = 127;
    return process;
  }
  if (job) {
    // Windows 8 and later nest jobs: a starter that runs in a job itself (as
    // the Task Scheduler starts its tasks) still puts the program into its
    // own. Windows 7 refuses that; the program then runs without it, ended
    // by Kill() and by this handle but not by this process's end.
    if (!::AssignProcessToJobObject(job, info.hProcess)) CloseHandleOnce(job);
    ::ResumeThread(info.hThread);
  }
  ::CloseHandle(info.hThread);
  s.process = info.hProcess;
  s.job = job;
  if (inputEnd) {
    s.input = std::thread([pipe = inputEnd, text = launch.input]() mutable {
      std::size_t sent = 0;
      DWORD n = 0;
      while (sent < text.size() &&
             ::WriteFile(pipe, text.data() + sent, static_cast<DWORD>(std::min<std::size_t>(text.size() - sent, 65536)),
                         &n, nullptr)) {
        sent += n;
      }
      ::CloseHandle(pipe);
    });
  }
  if (outputEnd) {
    s.output = std::thread([pipe = outputEnd, &out = s.exit.output]() {
      char buffer[4096];
      DWORD n = 0;
      while (::ReadFile(pipe, buffer, sizeof buffer, &n, nullptr) && n > 0) out.append(buffer, n);
      ::CloseHandle(pipe);
    });
  }
  return process;
}

PlatExit PlatProcess::Wait() {
  if (!state_) return {};
  Reap(*state_, INFINITE);
  return state_->exit;
}

std::optional<PlatExit> PlatProcess::WaitUntil(Clock::time_point deadline) {
  if (!state_) return PlatExit{};
  PlatProcessState& s = *state_;
  const auto now = Clock::now();
  const auto left = deadline > now ? std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count() : 0;
  if (!Reap(s, static_cast<DWORD>(std::min<long long>(left, INFINITE - 1)))) return std::nullopt;
  return s.exit;
}

PlatExit PlatProcess::Kill() {
  if (!state_) return {};
  PlatProcessState& s = *state_;
  // A program that ended meanwhile by itself is reported so. With a job,
  // the programs it started inside it go with it.
  if (!s.ended && ::WaitForSingleObject(s.process, 0) != WAIT_OBJECT_0 &&
      (s.job ? ::TerminateJobObject(s.job, 1) : ::TerminateProcess(s.process, 1))) {
    s.killed = true;
  }
  return Wait();
}

std::int64_t Plat_ProcessId() { return static_cast<std::int64_t>(::GetCurrentProcessId()); }
