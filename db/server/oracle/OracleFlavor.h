// How the Oracle texts are rendered for an Oracle server: as Oracle writes
// them. Only the table definitions of the set-up tool go through it; the
// table statements reach Oracle as written (Translate_Markers).
#pragma once

#include "db/engine/Dialect.h"

namespace zeldb {

const SqlFlavor& Oracle_Flavor();

}  // namespace zeldb
