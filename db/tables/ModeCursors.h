// A cursor family that holds two cursors, chosen by a mode argument on each
// of its operations (internal to the database module): mode 1 the first,
// mode 2 the second. Any other mode executes nothing: open and close return
// 0, a read returns 1403 with the record untouched, so that a fetch loop
// over a wrong mode ends at once.
//
// Every function returns a status of util/OraStatus.h and never throws.
#pragma once

#include <cstdint>

#include "db/Statement.h"
#include "db/tables/RowReads.h"

namespace zeldb {

struct ModeCursors {
  const CursorDef& first;
  const CursorDef& second;
  const KeptFields* keepOnFailedRead;  // nullptr: a failed read leaves the record untouched

  int32_t Open(int32_t mode, const void* inputRecord) const;
  int32_t Read(int32_t mode, void* outputRecord) const;
  int32_t Close(int32_t mode) const;

 private:
  const CursorDef* Of(int32_t mode) const;
};

}  // namespace zeldb
