// Table statements as data, and the one piece of code that runs them.
//
// Every table statement of the module is one StatementDef (single-row
// selects, inserts, updates, deletes) or one CursorDef (a cursor's query with
// its open, fetch and close): the exact Oracle text, and its host variables
// in placeholder order, each naming a field of a host record by offset, type,
// width and size. Binding, executing, copying outputs, the NULL rules and the
// savepoint pattern are written once, here, for all of them.
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
// All functions return a status of db/OraStatus.h and never throw.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace zeldb {

enum class HostType : uint8_t {
  String,  // NUL-terminated text of `width` places
  Int32,   // signed 32-bit integer
  Int16,   // a 32-bit field that travels as a signed 16-bit integer
  Double,  // 64-bit floating point
};

struct HostVar {
  HostType type;
  uint32_t offset;  // of the field in its host record
  uint32_t width;   // places (characters) of a String field, terminator included
  uint32_t size;    // bytes of the field in its host record
};

enum class StmtKind : uint8_t { SelectInto, Insert, Update, Delete };

struct StatementDef {
  const char* name;       // operation name, e.g. "Prv_PKeyReadk"
  StmtKind kind;
  const char* text;       // the Oracle text, sent as it stands
  std::vector<HostVar> outputs;  // into-list variables in order (selects)
  std::vector<HostVar> inputs;   // further placeholders in order of first appearance
  const char* savepoint;  // writes: "Prv_PKeyIns_Sp"; nullptr otherwise
  size_t recordSize;      // sizeof the host record the variables point into
};

struct CursorDef {
  const char* name;       // cursor name, e.g. "Prv_PnrRange"
  const char* text;       // the cursor's query
  std::vector<HostVar> inputs;   // bound at open, in order of first appearance
  std::vector<HostVar> outputs;  // the select list in order, filled by each fetch
  size_t inputRecordSize;
  size_t outputRecordSize;
};

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

// Host-variable descriptors for a field of a record type.
#define ZEL_HV_TEXT(Rec, field)                                                                          \
  ::zeldb::HostVar {                                                                                     \
    ::zeldb::HostType::String, offsetof(Rec, field), decltype(Rec::field)::width(), sizeof(Rec::field) \
  }
#define ZEL_HV_INT(Rec, field) \
  ::zeldb::HostVar { ::zeldb::HostType::Int32, offsetof(Rec, field), sizeof(int32_t), sizeof(int32_t) }
#define ZEL_HV_SHORT(Rec, field) \
  ::zeldb::HostVar { ::zeldb::HostType::Int16, offsetof(Rec, field), sizeof(int32_t), sizeof(int32_t) }
#define ZEL_HV_DOUBLE(Rec, field) \
  ::zeldb::HostVar { ::zeldb::HostType::Double, offsetof(Rec, field), sizeof(double), sizeof(double) }
