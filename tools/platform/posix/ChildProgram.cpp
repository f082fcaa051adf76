#include "tools/platform/ChildProgram.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#if defined(__linux__)
#include <sys/prctl.h>
#endif
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "tools/platform/posix/ChildProgramState.h"

using Clock = std::chrono::steady_clock;

namespace {

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// Writes to a pipe whose reader may be gone: the write then fails with EPIPE,
// and the SIGPIPE it raises is taken back instead of ending this process.
ssize_t WriteToPipe(int fd, const char* data, std::size_t length) {
  sigset_t pipeSignal, saved, pending;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  sigpending(&pending);
  const bool alreadyPending = sigismember(&pending, SIGPIPE) == 1;
  ::pthread_sigmask(SIG_BLOCK, &pipeSignal, &saved);
  const ssize_t written = ::write(fd, data, length);
  const int error = errno;
  if (written < 0 && error == EPIPE && !alreadyPending) {
    const timespec now{};
    ::sigtimedwait(&pipeSignal, nullptr, &now);
  }
  ::pthread_sigmask(SIG_SETMASK, &saved, nullptr);
  errno = error;
  return written;
}

// Moves the input forward and reads the output that is there, waiting at
// most `timeout` (nullptr: until one of them can move) for either.
void Pump(PlatProcessState& s, const timespec* timeout) {
  pollfd fds[2];
  nfds_t n = 0;
  if (s.inputFd >= 0) fds[n++] = {s.inputFd, POLLOUT, 0};
  if (s.outputFd >= 0) fds[n++] = {s.outputFd, POLLIN, 0};
  if (n == 0 && !timeout) return;
  if (::ppoll(fds, n, timeout, nullptr) <= 0) return;
  for (nfds_t i = 0; i < n; ++i) {
    if (fds[i].revents == 0) continue;
    if (fds[i].fd == s.inputFd) {
      const ssize_t w = WriteToPipe(s.inputFd, s.input.data() + s.inputSent, s.input.size() - s.inputSent);
      if (w > 0) s.inputSent += static_cast<std::size_t>(w);
      if ((w < 0 && errno != EAGAIN && errno != EINTR) || s.inputSent == s.input.size()) CloseFd(s.inputFd);
    } else {
      char buffer[4096];
      const ssize_t r = ::read(s.outputFd, buffer, sizeof buffer);
      if (r > 0) s.exit.output.append(buffer, static_cast<std::size_t>(r));
      if (r == 0 || (r < 0 && errno != EAGAIN && errno != EINTR)) CloseFd(s.outputFd);
    }
  }
}

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

// Collects the program's end when it has come (or, with `block`, once it
// comes). The output pipe is read to its end first, so that a program
// writing more than the pipe holds is not left blocked.
bool Reap(PlatProcessState& s, bool block) {
  if (s.ended) return true;
  int status = 0;
  rusage usage{};
  pid_t r;
  while ((r = ::wait4(s.pid, &status, block ? 0 : WNOHANG, &usage)) < 0 && errno == EINTR) {
  }
  if (r == 0) return false;
  s.ended = true;
  s.exit.wallSeconds = std::chrono::duration<double>(Clock::now() - s.started).count();
  while (s.inputFd >= 0 || s.outputFd >= 0) Pump(s, nullptr);
  if (r < 0) return true;
  s.exit.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  s.exit.maxRssKiB = usage.ru_maxrss;
  if (WIFEXITED(status)) {
    s.exit.exited = true;
    s.exit.exitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    s.exit.signal = WTERMSIG(status);
    s.exit.killed = s.exit.signal == SIGKILL;
  }
  return true;
}

// Makes `fd` the descriptor `target` of the program, open across exec.
void Become(int fd, int target) {
  if (fd == target) {
    ::fcntl(fd, F_SETFD, 0);
  } else {
    ::dup2(fd, target);
  }
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

  // Everything the child needs is made before fork(): after it only
  // async-signal-safe calls are allowed. Every descriptor is close-on-exec,
  // so that programs started side by side hold none of each other's pipes.
  std::vector<std::string> words = launch.argv;
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);

  int childIn = -1, childOut = -1, childErr = -1;
  if (launch.input.empty()) {
    childIn = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  } else {
    int p[2];
    if (::pipe2(p, O_CLOEXEC) == 0) {
      childIn = p[0];
      s.inputFd = p[1];
      ::fcntl(s.inputFd, F_SETFL, O_NONBLOCK);
      s.input = launch.input;
    }
  }
  switch (launch.output) {
    case PlatOutput::Discard:
      childOut = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
      break;
    case PlatOutput::Capture: {
      int p[2];
      if (::pipe2(p, O_CLOEXEC) == 0) {
        s.outputFd = p[0];
        childOut = p[1];
        ::fcntl(s.outputFd, F_SETFL, O_NONBLOCK);
      }
      break;
    }
    case PlatOutput::Append:
    case PlatOutput::Truncate:
      childOut = ::open(launch.outputFile.c_str(),
                        O_WRONLY | O_CREAT | O_CLOEXEC | (launch.output == PlatOutput::Append ? O_APPEND : O_TRUNC),
                        0644);
      break;
    case PlatOutput::Inherit:
      // Copies above the standard descriptors, so that the child's dup2 onto
      // 1 and 2 never overwrites one with the other.
      childOut = ::fcntl(1, F_DUPFD_CLOEXEC, 3);
      childErr = ::fcntl(2, F_DUPFD_CLOEXEC, 3);
      if (childOut < 0) childOut = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
      if (childErr < 0) childErr = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
      break;
  }
  if (childErr < 0 && childOut >= 0) childErr = ::fcntl(childOut, F_DUPFD_CLOEXEC, 3);
  const bool ready = childIn >= 0 && childOut >= 0 && childErr >= 0;

  s.started = Clock::now();
  [[maybe_unused]] const pid_t starter = ::getpid();
  const pid_t pid = ready ? ::fork() : -1;
  if (pid == 0) {
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
#if defined(__linux__)
    // The kernel kills the program when its starter ends however it ends
    // (SIGKILL too, which no handler sees). It is kept across exec and not
    // passed on to what the program starts, so the download program lives
    // on. A starter that ended before this line is not seen by the kernel:
    // its parent is then another process.
    if (launch.endsWithStarter) {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (::getppid() != starter) ::_exit(127);
    }
#endif
    Become(childIn, 0);
    Become(childOut, 1);
    Become(childErr, 2);
    if (!launch.directory.empty() && ::chdir(launch.directory.c_str()) != 0) ::_exit(126);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  CloseFd(childIn);
  CloseFd(childOut);
  CloseFd(childErr);
  if (pid < 0) {
    CloseFd(s.inputFd);
    CloseFd(s.outputFd);
    s.ended = true;
    return process;
  }
  s.pid = pid;
  s.exit.started = true;
  return process;
}

PlatExit PlatProcess::Wait() {
  if (!state_) return {};
  PlatProcessState& s = *state_;
  if (!s.ended) {
    while (s.inputFd >= 0 || s.outputFd >= 0) Pump(s, nullptr);
    Reap(s, true);
  }
  return s.exit;
}

std::optional<PlatExit> PlatProcess::WaitUntil(Clock::time_point deadline) {
  if (!state_) return PlatExit{};
  PlatProcessState& s = *state_;
  // Looks every 2 ms at most: a caller that kills at a chosen instant (the
  // crash tests) must not overshoot it by much.
  constexpr auto kStep = std::chrono::microseconds(2000);
  while (!Reap(s, false)) {
    const auto now = Clock::now();
    if (now >= deadline) return std::nullopt;
    const auto step = std::min<Clock::duration>(deadline - now, kStep);
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(step).count();
    const timespec timeout{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    Pump(s, &timeout);
  }
  return s.exit;
}

PlatExit PlatProcess::Kill() {
  if (!state_) return {};
  if (!state_->ended) ::kill(state_->pid, SIGKILL);
  return Wait();
}

std::int64_t Plat_ProcessId() { return ::getpid(); }
