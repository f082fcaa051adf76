// The pieces that the shop-floor statement files share (internal to the
// database module): argument host records, the whole-row read that clears
// its record but for the key, the two-mode cursor families, and the instant
// that a record keeps as day and time.
//
// Every function returns a status of db/OraStatus.h and never throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "db/Statement.h"
#include "util/FixedText.h"

namespace zeldb {

// A text argument of an operation. It is wider than every column it is
// compared with, so that a value too long for its column matches nothing
// instead of being cut down to a shorter key that might match another row.
using ArgText = FixedText<81>;

// Host records of the operations whose inputs are plain arguments.
struct TextArg {
  ArgText value;
};
struct TextRange {
  ArgText low;
  ArgText high;
};

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

// Opens a cursor whose only inputs are one text or two bounds.
int32_t Cursor_OpenText(const CursorDef& def, const char* value);
int32_t Cursor_OpenRange(const CursorDef& def, const char* low, const char* high);

// A cursor family that holds two cursors, chosen by a mode argument on each
// of its operations: mode 1 the first, mode 2 the second. Any other mode
// executes nothing: open and close return 0, a read returns 1403 with the
// record untouched, so that a fetch loop over a wrong mode ends at once.
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

// The instant "yyyymmddHH24MISS" of a day "yyyymmdd" and a time "HH24MISS".
// Both empty give the empty text (NULL); a day without a time is midnight;
// a time without a day stays the time alone, which the database refuses
// (-1861) instead of the write silently dropping it.
FixedText<15> JoinInstant(const FixedText<9>& day, const FixedText<7>& time);

}  // namespace zeldb
