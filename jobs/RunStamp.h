// The run's date strings, fixed once by the entry point and handed to the jobs.
//
// `RunDate` is the run day "yyyymmdd" in the machine's local time; the change
// checks compare assignment end days with it. `RunHeader` is the job log's
// header line "Datum: dd.mm.yyyy  Uhrzeit: hh:mm:ss\n", written as the first
// line of every job's section. Both come from one single clock reading, so
// they always name the same instant, even one second before midnight, and
// both jobs of a U run carry the same stamp.
#pragma once

#include <ctime>

struct RunStamp {
  char RunDate[9] = {};
  char RunHeader[100] = {};
};

// The stamp of `now` (seconds since the epoch) in local time; both texts
// empty when the local time cannot be had.
RunStamp RunStamp_Fix(std::time_t now);
