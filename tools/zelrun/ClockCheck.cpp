#include "tools/zelrun/ClockCheck.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>

#include "db/DbstdCheck.h"
#include "platform/Clock.h"
#include "util/CivilDate.h"
#include "util/OraStatus.h"

namespace {

constexpr int64_t kDaySeconds = 86400;

// A wall-clock reading as seconds since 1970-01-01 00:00 of its own calendar,
// whatever zone it was read in, so that two readings compare as the job's
// days and times do.
int64_t WallSeconds(int year, int month, int day, int hour, int minute, int second) {
  return DaysFromCivil(year, month, day) * kDaySeconds + hour * 3600 + minute * 60 + second;
}

// The server's "yyyymmddHH24MISS"; nothing when the text is no such instant.
std::optional<int64_t> ServerSeconds(const std::string& text) {
  if (text.size() != 14) return std::nullopt;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
  }
  const auto part = [&](std::size_t at, std::size_t n) { return std::stoi(text.substr(at, n)); };
  const int year = part(0, 4), month = part(4, 2), day = part(6, 2);
  const int hour = part(8, 2), minute = part(10, 2), second = part(12, 2);
  if (!IsValidDate(year, month, day) || hour > 23 || minute > 59 || second > 59) return std::nullopt;
  return WallSeconds(year, month, day, hour, minute, second);
}

// The machine's local time now, as the job reads it.
std::optional<int64_t> MachineSeconds() {
  std::tm local{};
  if (!Plat_LocalTime(Plat_Now(), local)) return std::nullopt;
  return WallSeconds(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                     local.tm_sec);
}

int64_t DayOf(int64_t wallSeconds) {
  return wallSeconds >= 0 ? wallSeconds / kDaySeconds : -((-wallSeconds - 1) / kDaySeconds) - 1;
}

bool Agree(int64_t server, int64_t machine) {
  const int64_t apart = server > machine ? server - machine : machine - server;
  return DayOf(server) == DayOf(machine) && apart <= int64_t{kClockToleranceMinutes} * 60;
}

std::string Shown(int64_t wallSeconds) {
  const int64_t day = DayOf(wallSeconds);
  const int64_t inDay = wallSeconds - day * kDaySeconds;
  int year = 0, month = 0, dayOfMonth = 0;
  CivilFromDays(day, year, month, dayOfMonth);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", year, month, dayOfMonth,
                static_cast<int>(inDay / 3600), static_cast<int>(inDay / 60 % 60), static_cast<int>(inDay % 60));
  return buf;
}

}  // namespace

std::string ClockCheck_Problem() {
  // The machine is read before and after the server: a run that starts as
  // midnight passes agrees with one of the two readings.
  const std::optional<int64_t> before = MachineSeconds();
  FixedText<15> now{};
  const int32_t status = Chk_ServerNow(now);
  const std::optional<int64_t> after = MachineSeconds();
  if (status != ora::kOk) return "database read of its clock (sysdate) failed (" + Ora_StatusShown(status) + ")";
  const std::optional<int64_t> server = ServerSeconds(now.str());
  if (!server) return "database clock (sysdate) read as '" + now.str() + "', no day and time";
  if (!before || !after) return "this machine's local time cannot be read";
  if (Agree(*server, *before) || Agree(*server, *after)) return {};
  return "the database's time " + Shown(*server) + " is not this machine's " + Shown(*after) +
         " (another day, or more than " + std::to_string(kClockToleranceMinutes) +
         " minutes apart): the night would take its run day from the machine and every statement's today from "
         "the database";
}
