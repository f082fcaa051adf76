// Reads that leave no stale field behind (internal to the database module):
// the whole-row read and the fetch that clear their record but for the
// fields a failed read keeps (its key).
//
// Every function returns a status of util/OraStatus.h and never throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "db/Statement.h"

namespace zeldb {

// Fields of a host record that a failed read keeps.
using KeptFields = std::vector<HostVar>;

// Sets every byte of `record` to zero but those of the `keep` fields.
void ClearAllBut(void* record, size_t size, const KeptFields& keep);

// Single-row read of a whole row: 0 with every output written; on any other
// status the record is cleared but for `keep`, so that no field of an
// earlier row survives beside the key of this one.
int32_t Stmt_ReadRow(const StatementDef& def, void* record, const KeptFields& keep);

// Fetch that clears the record but for `keep` on any status but 0, the 1403
// at the end included.
int32_t Cursor_FetchRow(const CursorDef& def, void* record, const KeptFields& keep);

}  // namespace zeldb
