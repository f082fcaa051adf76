#include "app/RunStamp.h"

#include <cstring>

#include "platform/Clock.h"

char RunDate[9];
char RunHeader[100];

void RunStamp_Fix(std::time_t now) {
  std::tm local{};
  if (!Plat_LocalTime(now, local)) {
    std::memset(RunDate, 0, sizeof RunDate);
    std::memset(RunHeader, 0, sizeof RunHeader);
    return;
  }
  std::strftime(RunDate, sizeof RunDate, "%Y%m%d", &local);
  std::strftime(RunHeader, sizeof RunHeader, "Datum: %d.%m.%Y  Uhrzeit: %H:%M:%S\n", &local);
}
