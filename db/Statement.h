// The one piece of code that runs the table statements.
//
// The statements are data (StatementDef and CursorDef, db/StatementDef.h):
// the exact Oracle text and its host variables in placeholder order.
// Binding, executing, copying outputs, the NULL rules and the savepoint
// pattern are written once, here, for all of them, on the session of
// db/Session.h.
//
// Host record rules (the embedded-SQL conventions the callers rely on):
//  - an empty input text reaches the database as NULL; a NULL text column
//    arrives as the empty text, a NULL number as 0;
//  - widths count characters, as the columns do: a text field of width 51
//    holds 50 characters of UTF-8 (FixedText gives it the bytes), and every
//    text that fits its column travels whole, in and out;
//  - an output text longer than its field arrives cut to width - 1
//    characters (never inside a character);
//  - a 16-bit host variable sends the low 16 bits of its 32-bit field and
//    widens the column's value with its sign; a number that does not fit its
//    host variable fails the statement with -1455;
//  - outputs reach the record only when the status is 0.
//
// All functions return a status of util/OraStatus.h and never throw.
#pragma once

#include <cstdint>

#include "db/StatementDef.h"

namespace zeldb {

// Single-row select into `record`: 0 with the outputs written, 1403 when no
// row qualifies, -1422 when more than one does (nothing written then).
int32_t Stmt_SelectInto(const StatementDef& def, void* record);

// Insert, update or delete in the savepoint pattern: savepoint, statement,
// then commit on 0 or rollback to the savepoint otherwise. An update or
// delete that matches no row returns 1403. When the commit itself fails the
// row is not durable: the transaction is rolled back and the commit's
// status is returned, never 0.
int32_t Stmt_Write(const StatementDef& def, const void* record);

// Runs a write without the savepoint pattern (pending until dbCommit).
int32_t Stmt_WriteNoSavepoint(const StatementDef& def, const void* record);

// Cursor: open with the inputs of `inputRecord` (an open cursor is closed
// first); fetch the next row into `outputRecord` (0, or 1403 at the end with
// the record untouched); close.
int32_t Cursor_Open(const CursorDef& def, const void* inputRecord);
int32_t Cursor_Fetch(const CursorDef& def, void* outputRecord);
int32_t Cursor_Close(const CursorDef& def);

// Prepares a statement or cursor on the session without running it; used to
// prove that every statement text is valid for the engine.
int32_t Stmt_Prepare(const StatementDef& def);
int32_t Cursor_Prepare(const CursorDef& def);

}  // namespace zeldb
