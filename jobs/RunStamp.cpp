#include "jobs/RunStamp.h"

#include "platform/Clock.h"

RunStamp RunStamp_Fix(std::time_t now) {
  RunStamp stamp;
  std::tm local{};
  if (!Plat_LocalTime(now, local)) return stamp;
  std::strftime(stamp.RunDate, sizeof stamp.RunDate, "%Y%m%d", &local);
  std::strftime(stamp.RunHeader, sizeof stamp.RunHeader, "Datum: %d.%m.%Y  Uhrzeit: %H:%M:%S\n", &local);
  return stamp;
}
