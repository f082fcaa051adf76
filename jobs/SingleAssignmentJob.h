// Single assignment job (job letter S).
//
// Brings the download row of the person of one badge assignment in line: the
// assignment is given by its badge number (at most 8 characters) and its
// first day ("yyyymmdd"). Reads RunDate and RunHeader; returns nothing.
#pragma once

void SingleAssignmentJob(const char* badgeNumber, const char* firstDay);
