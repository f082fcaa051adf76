// Failure entries of the jobs and the entry point.
//
// A failure is one MessageEntry of kind FMSG with the operation's name as the
// function (spelled as each caller spells it, e.g. "Prv_PKeyUpd" or
// "Prv_PKeyReadk()"), a German message text and the status as the code,
// handed to the message log. The log itself never fails the caller.
#pragma once

#include <cstdint>

void ReportFailure(const char* function, const char* message, int32_t code);
