#include "db/tables/RowReads.h"

#include <cstring>

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

}  // namespace zeldb
