#include "db/tables/TextArgs.h"

namespace zeldb {

int32_t Cursor_OpenText(const CursorDef& def, const char* value) {
  TextArg arg{};
  arg.value = value;
  return Cursor_Open(def, &arg);
}

int32_t Cursor_OpenRange(const CursorDef& def, const char* low, const char* high) {
  TextRange range{};
  range.low = low;
  range.high = high;
  return Cursor_Open(def, &range);
}

}  // namespace zeldb
