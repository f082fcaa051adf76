// Helpers of the platform and log tests: a working directory for one test
// and a fixed clock (another process that holds a log file's lock is in
// ChildProcess.h, Linux only).
#pragma once

#include <ctime>
#include <filesystem>

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

}  // namespace zeltest
