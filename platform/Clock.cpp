#include "platform/Clock.h"

#include <utility>

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

bool Plat_LocalTime(std::time_t t, std::tm& out) { return localtime_r(&t, &out) != nullptr; }

void Plat_SetTestClock(std::function<std::time_t()> clock) { TestClock() = std::move(clock); }
