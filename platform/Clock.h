// The clock: seconds since the epoch and their local calendar form.
//
// All readings of the time of day go through here, so that a test can fix
// the clock (for instance one second before midnight) without touching the
// code that reads it.
#pragma once

#include <ctime>
#include <functional>

// Seconds since the epoch; the test clock when one is set.
std::time_t Plat_Now();

// Local calendar time of `t` (the machine's time zone). Returns false only
// when the value cannot be represented.
bool Plat_LocalTime(std::time_t t, std::tm& out);

// Replaces the clock for tests; an empty function restores the system clock.
void Plat_SetTestClock(std::function<std::time_t()> clock);
