// Table statements as data: the types that describe them.
//
// Every table statement of the module is one StatementDef (single-row
// selects, inserts, updates, deletes) or one CursorDef (a cursor's query with
// its open, fetch and close): the exact Oracle text, and its host variables
// in placeholder order, each naming a field of a host record by offset, type,
// width and size. The runner (db/Statement.h) runs them on the session
// (db/Session.h), which prepares them; both need these types, and only the
// runner needs the session.
#pragma once

#include <cstddef>
#include <cstdint>
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
