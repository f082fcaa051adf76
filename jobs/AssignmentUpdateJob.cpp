#include "jobs/AssignmentUpdateJob.h"

// Filled in with the change checks; until then the slot runs nothing.
void AssignmentUpdateJob() {}
