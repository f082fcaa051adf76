// Test code in a forked child process, and a second process that holds a
// log file's lock: Linux only (fork, pipes, flock). The Windows test program
// leaves out the tests that use them; its writers in other processes are the
// real programs (test_msglog_processes.cpp).
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <optional>
#include <utility>

namespace zeltest {

// Test code run in a child process: a copy of this one, without exec, for
// tests that need a second writer, a process with other limits, or one to
// kill. The child runs `body` and ends with its result as exit code, never
// returning into the test. A child still running when the object goes is
// killed and waited for.
class ChildProcess {
 public:
  explicit ChildProcess(const std::function<int()>& body) : pid_(::fork()) {
    if (pid_ == 0) {
      int code = 1;
      try {
        code = body();
      } catch (...) {
      }
      ::_exit(code);
    }
  }
  ~ChildProcess() { Kill(); }
  ChildProcess(ChildProcess&& other) noexcept : pid_(std::exchange(other.pid_, -1)) {}
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ChildProcess& operator=(ChildProcess&&) = delete;

  bool started() const { return pid_ > 0; }

  // Waits for the child: its exit code, or -1 when it did not exit by itself
  // (or was not started, or was waited for already).
  int Wait() {
    if (pid_ <= 0) return -1;
    int status = 0;
    pid_t r;
    while ((r = ::waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return r > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Kills the child with SIGKILL and waits for it; false when there was no
  // child to wait for.
  bool Kill() {
    if (pid_ <= 0) return false;
    ::kill(pid_, SIGKILL);
    const pid_t pid = pid_;
    int status = 0;
    pid_t r;
    while ((r = ::waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return r == pid;
  }

 private:
  pid_t pid_ = -1;
};

// Another process that holds an exclusive lock on `file` (as a second writer
// of the log would) from construction until Release().
class LockHolder {
 public:
  explicit LockHolder(const std::filesystem::path& file) {
    int ready[2], release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
    holder_.emplace([&] {
      // Only the parent may hold the write end, or the release never arrives.
      ::close(release[1]);
      ::close(ready[0]);
      const int fd = ::open(file.c_str(), O_RDWR | O_CREAT, 0666);
      char c = (fd >= 0 && ::flock(fd, LOCK_EX) == 0) ? 'y' : 'n';
      if (::write(ready[1], &c, 1) != 1) return 1;
      if (::read(release[0], &c, 1) < 0) return 1;
      return 0;
    });
    ::close(ready[1]);
    ::close(release[0]);
    char c = 'n';
    locked_ = holder_->started() && ::read(ready[0], &c, 1) == 1 && c == 'y';
    ::close(ready[0]);
    releaseFd_ = release[1];
  }
  ~LockHolder() { Release(); }
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;

  bool locked() const { return locked_; }

  void Release() {
    if (!holder_) return;
    ::close(releaseFd_);  // end of file on the pipe lets the holder exit
    holder_->Wait();
    holder_.reset();
  }

 private:
  std::optional<ChildProcess> holder_;
  int releaseFd_ = -1;
  bool locked_ = false;
};

}  // namespace zeltest
