#include "jobs/SingleAssignmentJob.h"

// Filled in with the change checks; until then the slot runs nothing.
void SingleAssignmentJob(const char*, const char*) {}
