// The instant that a shop-floor record keeps as a day and a time, joined
// for the statements that write it as one DATE (internal to the database
// module).
#pragma once

#include "util/FixedText.h"

namespace zeldb {

// The instant "yyyymmddHH24MISS" of a day "yyyymmdd" and a time "HH24MISS".
// Both empty give the empty text (NULL); a day without a time is midnight;
// a time without a day stays the time alone, which the database refuses
// (-1861) instead of the write silently dropping it.
FixedText<15> JoinInstant(const FixedText<9>& day, const FixedText<7>& time);

}  // namespace zeldb
