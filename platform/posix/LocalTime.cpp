#include <ctime>

#include "platform/Clock.h"

bool Plat_LocalTime(std::time_t t, std::tm& out) { return localtime_r(&t, &out) != nullptr; }
