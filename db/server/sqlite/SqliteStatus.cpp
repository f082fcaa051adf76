#include "db/server/sqlite/SqliteStatus.h"

#include <sqlite3.h>

#include <cstring>

#include "db/engine/RaisedStatus.h"
#include "util/OraStatus.h"

namespace zeldb {
namespace {

bool Contains(const char* s, const char* part) { return s && std::strstr(s, part) != nullptr; }

}  // namespace

int32_t Sqlite_MapError(int rc, int ext, const char* msg) {
  // Our own SQL functions report Oracle's number in their message.
  if (const int32_t raised = msg ? Engine_RaisedStatus(msg) : 0) return raised;
  switch (rc & 0xff) {
    case SQLITE_OK:
      return ora::kOk;
    case SQLITE_CONSTRAINT:
      switch (ext) {
        case SQLITE_CONSTRAINT_PRIMARYKEY:
        case SQLITE_CONSTRAINT_UNIQUE:
          return ora::kUniqueViolated;
        case SQLITE_CONSTRAINT_NOTNULL:
          return ora::kNullMandatory;
        default:
          // Length limits are check constraints named "len_<column>".
          return Contains(msg, "len_") ? ora::kValueTooLarge : ora::kCheckViolated;
      }
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return ora::kBusy;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return ora::kNoPrivilege;
    case SQLITE_FULL:
      return ora::kNoSpace;
    case SQLITE_IOERR:
      return ora::kIoError;
    case SQLITE_CORRUPT:
      return ora::kCorrupt;
    case SQLITE_NOTADB:
      return ora::kNotADatabase;
    case SQLITE_CANTOPEN:
      return ora::kServiceUnknown;
    case SQLITE_TOOBIG:
      return ora::kValueTooLarge;
    case SQLITE_RANGE:
      return ora::kNotAllBound;
    case SQLITE_ERROR:
      if (Contains(msg, "no such table")) return ora::kTableMissing;
      // A read names a missing column "no such column", an insert's column
      // list "has no column named": both are Oracle's invalid identifier.
      if (Contains(msg, "no such column") || Contains(msg, "has no column named")) return ora::kInvalidIdentifier;
      if (Contains(msg, "syntax error") || Contains(msg, "no such function")) return ora::kInvalidSql;
      return ora::kInternal;
    default:
      return ora::kInternal;
  }
}

}  // namespace zeldb
