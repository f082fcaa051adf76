#include "db/engine/EngineCounters.h"

namespace zeldb {

EngineCounters& Engine_Counters() {
  static EngineCounters counters;
  return counters;
}

}  // namespace zeldb
