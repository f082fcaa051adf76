// Full check job (job letter A, and the second half of U).
//
// Walks every begun row of Mvs510Prv in person-number order, runs the change
// checks on it and stores each row that a check changed, writing the checks'
// lines to the job log and every failure to the message log. `run` is the
// run's stamp (its header opens the job-log section, its day is the checks'
// run day); returns nothing to the entry point.
#pragma once

#include "jobs/RunStamp.h"

void FullCheckJob(const RunStamp& run);
