#include "db/tables/ModeCursors.h"

#include "util/OraStatus.h"

namespace zeldb {

const CursorDef* ModeCursors::Of(int32_t mode) const {
  if (mode == 1) return &first;
  if (mode == 2) return &second;
  return nullptr;
}

int32_t ModeCursors::Open(int32_t mode, const void* inputRecord) const {
  const CursorDef* c = Of(mode);
  return c ? Cursor_Open(*c, inputRecord) : ora::kOk;
}

int32_t ModeCursors::Read(int32_t mode, void* outputRecord) const {
  const CursorDef* c = Of(mode);
  if (!c) return ora::kNoRow;
  return keepOnFailedRead ? Cursor_FetchRow(*c, outputRecord, *keepOnFailedRead) : Cursor_Fetch(*c, outputRecord);
}

int32_t ModeCursors::Close(int32_t mode) const {
  const CursorDef* c = Of(mode);
  return c ? Cursor_Close(*c) : ora::kOk;
}

}  // namespace zeldb
