// The download row of a person who has none yet, built from a badge
// assignment. Used by the single assignment job and the assignment update job.
#pragma once

#include "db/Records.h"

// Fills `rec` (cleared and read with Prv_PKeyReadk, which left it empty but
// for PrvPnr) from `asw`: badge, days, recorder mark, name and address,
// download mark "NEU" with "Marvane", PrvAwa, PrvSta and PrvPzm 1, and
// today's cost centre (empty when the person has none today). Every other
// field keeps what the failed read left.
void FillNewRow(PrvRecord& rec, const AswRecord& asw);
