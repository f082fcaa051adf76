// Day arithmetic on the proleptic Gregorian calendar.
//
// Days are counted from 1970-01-01 (day 0), so that adding n days is adding
// n, whatever months and leap years lie between.
#pragma once

#include <cstdint>

// Day number of year-month-day; the date need not be valid (use IsValidDate).
int64_t DaysFromCivil(int year, int month, int day);

// Year, month and day of a day number.
void CivilFromDays(int64_t days, int& year, int& month, int& day);

// Whether year 1..9999, month 1..12 and day exist in that month.
bool IsValidDate(int year, int month, int day);

// Whether `text` is exactly eight digits "yyyymmdd" naming a real day.
bool IsValidDayText(const char* text);
