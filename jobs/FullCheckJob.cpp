#include "jobs/FullCheckJob.h"

// Filled in with the change checks; until then the slot runs nothing.
void FullCheckJob() {}
