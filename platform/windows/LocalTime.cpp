#include <ctime>

#include "platform/Clock.h"

// The C runtime's localtime_s reads the time zone from TZ when it is set, else
// from the system's settings, and fills the caller's struct (no shared one).
bool Plat_LocalTime(std::time_t t, std::tm& out) { return localtime_s(&out, &t) == 0; }
