// Host records of the operations whose inputs are plain text arguments, and
// the cursors opened on them (internal to the database module).
//
// Every function returns a status of util/OraStatus.h and never throws.
#pragma once

#include <cstdint>

#include "db/Statement.h"
#include "util/FixedText.h"

namespace zeldb {

// A text argument of an operation. It is wider than every column it is
// compared with, so that a value too long for its column matches nothing
// instead of being cut down to a shorter key that might match another row.
using ArgText = FixedText<81>;

struct TextArg {
  ArgText value;
};
struct TextRange {
  ArgText low;
  ArgText high;
};

// Opens a cursor whose only inputs are one text or two bounds.
int32_t Cursor_OpenText(const CursorDef& def, const char* value);
int32_t Cursor_OpenRange(const CursorDef& def, const char* low, const char* high);

}  // namespace zeldb
