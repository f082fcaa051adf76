// Helpers of the platform and log tests: a working directory for one test,
// a fixed clock, and another process that holds a log file's lock.
#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <optional>

#include "TestSupport.h"
#include "platform/Clock.h"

namespace zeltest {

// Makes `dir` the working directory until the end of the scope; the programs
// under test name their files relative to it (".\Msg\...").
class ScopedCwd {
 public:
  explicit ScopedCwd(const std::filesystem::path& dir) : saved_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~ScopedCwd() {
    std::error_code ec;
    std::filesystem::current_path(saved_, ec);
  }
  ScopedCwd(const ScopedCwd&) = delete;
  ScopedCwd& operator=(const ScopedCwd&) = delete;

 private:
  std::filesystem::path saved_;
};

// Fixes the clock at a local date and time until the end of the scope.
class FixedClock {
 public:
  FixedClock(int year, int month, int day, int hour, int minute, int second) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    const std::time_t at = std::mktime(&local);
    Plat_SetTestClock([at] { return at; });
  }
  ~FixedClock() { Plat_SetTestClock({}); }
  FixedClock(const FixedClock&) = delete;
  FixedClock& operator=(const FixedClock&) = delete;
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
