// The run's date strings, fixed once by the entry point.
//
// `RunDate` is the run day "yyyymmdd" in the machine's local time; the change
// checks compare assignment end days with it. `RunHeader` is the job log's
// header line "Datum: dd.mm.yyyy  Uhrzeit: hh:mm:ss\n", written as the first
// line of every job's section. Both come from one single clock reading, so
// they always name the same instant, even one second before midnight.
#pragma once

#include <ctime>

extern char RunDate[9];
extern char RunHeader[100];

// Formats RunDate and RunHeader from `now` (seconds since the epoch, local time).
void RunStamp_Fix(std::time_t now);
