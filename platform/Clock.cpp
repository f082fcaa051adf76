#include "platform/Clock.h"

#include <utility>

// Plat_LocalTime is the operating system's: platform/posix/LocalTime.cpp,
// platform/windows/LocalTime.cpp.

namespace {
std::function<std::time_t()>& TestClock() {
  static std::function<std::time_t()> clock;
  return clock;
}
}  // namespace

std::time_t Plat_Now() {
  if (auto& clock = TestClock()) return clock();
  return std::time(nullptr);
}

void Plat_SetTestClock(std::function<std::time_t()> clock) { TestClock() = std::move(clock); }
