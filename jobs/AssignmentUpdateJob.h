// Assignment update job (first half of job letter U).
//
// Walks all badge assignments current today and makes sure every person who
// holds one has a Mvs510Prv row with that person's current badge number and
// days. `run` is the run's stamp (its header opens the job-log section);
// returns nothing to the entry point.
#pragma once

#include "jobs/RunStamp.h"

void AssignmentUpdateJob(const RunStamp& run);
