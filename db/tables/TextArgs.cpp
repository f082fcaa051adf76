#include "db/tables/TextArgs.h"

namespace zeldb {

int32_t Cursor_OpenText(const CursorDef& def, const char* value) {
  TextArg arg;  // every byte written by the assignment
  arg.value = value;
  return Cursor_Open(def, &arg);
}

int32_t Cursor_OpenRange(const CursorDef& def, const char* low, const char* high) {
  TextRange range;  // every byte written by the assignments
  range.low = low;
  range.high = high;
  return Cursor_Open(def, &range);
}

}  // namespace zeldb
