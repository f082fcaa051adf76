// Single assignment job (job letter S).
//
// Brings the download row of the person of one badge assignment in line: the
// assignment is given by its badge number (at most 8 characters) and its
// first day ("yyyymmdd"). `run` is the run's stamp; returns nothing.
#pragma once

#include "jobs/RunStamp.h"

void SingleAssignmentJob(const RunStamp& run, const char* badgeNumber, const char* firstDay);
