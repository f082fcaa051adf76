// Reads that tell, before a run, whether the server's clock and the master
// data are fit for it. The job itself never runs them: they serve the run
// wrapper, which refuses a night that would do harm without a message.
//
// Each operation runs one single-row select on the run's session and returns
// its status (0, or a negative Oracle number of util/OraStatus.h); outputs
// reach the caller only on 0. Days travel as "yyyymmdd", instants as
// "yyyymmddHH24MISS", and "today" is the server's trunc(sysdate), the day
// every statement of the job sees.
#pragma once

#include <cstdint>

#include "util/FixedText.h"

// The server's sysdate, as the statements of the run see it.
int32_t Chk_ServerNow(FixedText<15>& now);

// Today; the last day up to today that Mvs329Ztg holds a cost-centre row
// for (empty when none); and how many persons Mvs310Bsv holds employed
// today, the persons whose cost centre the run would set.
int32_t Chk_ZtgLastDay(FixedText<9>& today, FixedText<9>& lastDay, int32_t& employed);

// Yesterday and today, and the first and the last of the two that
// MvSystem.Mvs133Bak holds a row for (both empty when it holds neither).
int32_t Chk_BakToday(FixedText<9>& yesterday, FixedText<9>& today, FixedText<9>& first, FixedText<9>& last);

// The number of Mvs559Fbe rows with FbeTyp 1, the default code of new rows.
int32_t Chk_FbeDefaults(int32_t& count);
