// The status numbers of the database module, as Oracle numbers them.
//
// Every engine maps its own errors to these values, so that callers and the
// message log see the same codes whatever engine runs underneath. 0 and 1403
// are outcomes; every negative value is a failure. The table:
//
//   0       statement done
//   1403    no row: single-row read found none, fetch found no further row,
//           update or delete matched no row
//   -1      unique key violated (duplicate key)
//   -54     row locked or database busy beyond the engine's bounded wait
//   -900    the statement text is not valid SQL for the engine
//   -904    invalid identifier (a column that does not exist)
//   -942    table or view does not exist
//   -1001   invalid cursor (fetch or close of a cursor that is not open)
//   -1008   not all variables bound (a statement text and its host variables disagree)
//   -1017   wrong user name or password
//   -1031   insufficient privileges (database opened read-only, file not writable)
//   -1034   the database cannot be used (file is not a database)
//   -1115   input/output error on the database file
//   -1400   NULL into a mandatory column
//   -1422   a single-row read found more than one row
//   -1455   a number does not fit its host variable
//   -1578   the database is damaged
//   -1653   no room to extend a table (disk or file size limit full)
//   -1821   a date format the module does not know
//   -1861   a date text does not match its format ('yyyymmdd' / 'yyyymmddHH24MISS')
//   -2091   the transaction was rolled back (a commit that could not commit)
//   -2290   check constraint violated
//   -3114   not connected to the database
//   -12154  the database named by NET8 cannot be found or opened
//   -12538  NET8 names an engine that this build does not have (a PostgreSQL
//           connection string on Windows)
//   -12899  value too large for its column (also: connect string over 100 characters)
//   -600    anything else (catch-all)
#pragma once

#include <cstdint>

namespace ora {
constexpr int32_t kOk = 0;
constexpr int32_t kNoRow = 1403;
constexpr int32_t kUniqueViolated = -1;
constexpr int32_t kBusy = -54;
constexpr int32_t kInvalidSql = -900;
constexpr int32_t kInvalidIdentifier = -904;
constexpr int32_t kTableMissing = -942;
constexpr int32_t kInvalidCursor = -1001;
constexpr int32_t kNotAllBound = -1008;
constexpr int32_t kBadLogin = -1017;
constexpr int32_t kNoPrivilege = -1031;
constexpr int32_t kNotADatabase = -1034;
constexpr int32_t kIoError = -1115;
constexpr int32_t kNullMandatory = -1400;
constexpr int32_t kTooManyRows = -1422;
constexpr int32_t kNumberOverflow = -1455;
constexpr int32_t kCorrupt = -1578;
constexpr int32_t kNoSpace = -1653;
constexpr int32_t kUnknownDateFormat = -1821;
constexpr int32_t kDateFormat = -1861;
constexpr int32_t kRolledBack = -2091;
constexpr int32_t kCheckViolated = -2290;
constexpr int32_t kNotConnected = -3114;
constexpr int32_t kServiceUnknown = -12154;
constexpr int32_t kNoSuchEngine = -12538;
constexpr int32_t kValueTooLarge = -12899;
constexpr int32_t kInternal = -600;

// Callers tell three classes apart: done, no (further) row, and failure.
inline bool IsFailure(int32_t status) { return status != kOk && status != kNoRow; }
}  // namespace ora
