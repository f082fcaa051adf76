#include "db/tables/TableSupport.h"

#include <cstring>
#include <string>

#include "util/OraStatus.h"

namespace zeldb {

void ClearAllBut(void* record, size_t size, const KeptFields& keep) {
  std::vector<char> kept(static_cast<const char*>(record), static_cast<const char*>(record) + size);
  std::memset(record, 0, size);
  for (const HostVar& v : keep) std::memcpy(static_cast<char*>(record) + v.offset, kept.data() + v.offset, v.size);
}

int32_t Stmt_ReadRow(const StatementDef& def, void* record, const KeptFields& keep) {
  const int32_t status = Stmt_SelectInto(def, record);
  if (status != ora::kOk) ClearAllBut(record, def.recordSize, keep);
  return status;
}

int32_t Cursor_FetchRow(const CursorDef& def, void* record, const KeptFields& keep) {
  const int32_t status = Cursor_Fetch(def, record);
  if (status != ora::kOk) ClearAllBut(record, def.outputRecordSize, keep);
  return status;
}

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

FixedText<15> JoinInstant(const FixedText<9>& day, const FixedText<7>& time) {
  FixedText<15> instant{};
  if (day.empty())
    instant = time.view();
  else
    instant = day.str() + (time.empty() ? std::string("000000") : time.str());
  return instant;
}

}  // namespace zeldb
