// Oracle's date conversions as SQL functions of a SQLite connection.
//
// SQLite has no date type; this module stores days and instants as text
// 'YYYY-MM-DD HH:MM:SS'. The dialect renders TO_DATE, TO_CHAR and day
// arithmetic as calls of these functions, which check their input as strictly
// as Oracle does: a text that does not match its format fails the statement
// with "ORA-01861" instead of storing something the other programs cannot read.
//
//   ora_to_date(text, fmt)   'yyyymmdd' / 'yyyymmddHH24MISS' text -> stored form
//   ora_to_char(date, fmt)   stored form -> 'yyyymmdd' / 'yyyymmddHH24MISS' text,
//                            or 'HH24MISS' for the time of day alone
//   ora_add_days(date, n)    stored form plus n days (n may be negative)
//   ora_to_char_row(date, fmt)  ora_to_char for a whole select item: a value
//                            that cannot be converted does not fail the
//                            statement where SQLite computes it (a sort
//                            computes rows ahead of the one fetched); it
//                            becomes a fault marker that travels with its
//                            row, found by Sqlite_ColumnFault when that row
//                            is fetched
//
// NULL in gives NULL out; an empty text is NULL, as in Oracle. Any other
// format fails with "ORA-01821" (ora_to_date takes no 'HH24MISS': a time
// alone names no date).
#pragma once

#include <sqlite3.h>

#include <cstdint>

namespace zeldb {

// Registers the functions on `db`. Returns a SQLite result code.
int Sqlite_RegisterFunctions(sqlite3* db);

// How many fault markers ora_to_char_row has made in this process, on any
// connection. A statement whose execution saw the count unchanged holds no
// marker in any of its rows, and its rows need no search for one.
uint64_t Sqlite_RowFaultsMade();

// The failure that column `column` of the current row of `stmt` carries
// (-1861), or 0 when it holds a value.
int32_t Sqlite_ColumnFault(sqlite3_stmt* stmt, int column);

}  // namespace zeldb
