// Whether the database's clock gives the machine's day and time.
//
// zelwrkjob takes its run day (the job log's headers, the last day it gives
// an ended badge) from the machine, and "today" of every statement from the
// database session (sysdate, trunc(sysdate)). A server or session in another
// time zone, or a server clock that is off, makes the two disagree: the run
// then sets marks by the wrong day and still ends clean.
#pragma once

#include <string>

// The name of the check for --skip-check.
constexpr const char* kClockCheck = "clock";

// How far apart the two clocks may be. Time zones in use differ by 15
// minutes or more, clocks kept by NTP by far less than a second, and the
// read itself takes less than one: 5 minutes tells a wrong zone or clock
// from the time the comparison takes, and a clock off by less than that
// shifts the day only for a run that starts within minutes of midnight.
constexpr int kClockToleranceMinutes = 5;

// Reads the server's sysdate on the connected session and compares it with
// the machine's local time. Empty when they agree (the same day, at most
// kClockToleranceMinutes apart); otherwise what is wrong, both times named,
// or why the read failed.
std::string ClockCheck_Problem();
