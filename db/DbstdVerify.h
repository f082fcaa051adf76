// Every statement of the jobs tried once on a site's own server, changing
// nothing, and the widths of the columns they use held against the records.
//
// On the session dbConnect installed (db/DbDb.h), Dbstd_Verify runs each
// statement once with values that match no row: text keys of '~' as wide as
// their host variable, days of 1 January 1800, numbers -9.
//  - Single-row selects run and fetch; cursors open, fetch one row and close.
//  - Then the writes, all in one transaction that is rolled back at the end
//    whatever happens: inserts first (a row on a key no one uses), then the
//    updates and deletes by key (which meet that row), last the deletes
//    without a key (Prv_Delete empties the table: it holds its locks until
//    the rollback).
//  - A write that meets another session's lock gives up after the engine's
//    bounded wait (-54); the writes after it are not sent, since each would
//    wait as long.
// Columns: every text column of the schema (db/schema/Schema.h) that a tried
// statement names, in a table it names, is looked up in the server's
// catalogue (EngineConnection::ColumnWidth); one narrower than its record
// field is listed, since the job's values would be refused or cut there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zeldb {

struct VerifiedStatement {
  std::string name;     // the operation's name; a name may cover two statements (Prv_PKeyIns)
  const char* kind;     // "select", "cursor", "insert", "update" or "delete"
  int32_t status = 0;   // how it ended: 0, 1403 or the failure
  bool ok = false;      // it ran: 0 or 1403 (a select also -1422, several rows)
  bool tried = false;   // false: not sent, an earlier write met a lock
  std::string message;  // the server's own words for a failure
};

struct VerifiedWidth {
  std::string table;       // as the schema names it, "MvSystem.Mvs301Asw"
  std::string column;
  int siteWidth = 0;       // characters at this site
  int recordWidth = 0;     // characters the job's records carry
  int32_t status = 0;      // 0: read from the catalogue; otherwise why it could not be
  std::string message;
};

struct VerifyReport {
  std::vector<VerifiedStatement> statements;
  std::vector<VerifiedWidth> narrow;  // too narrow, or not readable (status != 0)
  bool locked = false;                // a write met another session's lock

  int Failed() const;
  bool Passed() const { return Failed() == 0 && narrow.empty(); }
};

// Tries the jobs' statements (Dbstd_JobStatementNames), or with `all` every
// statement of the module, on the current session. Returns 0 when it ran
// (the report tells what it found), or -3114 without a session. Nothing it
// writes is committed.
int32_t Dbstd_Verify(bool all, VerifyReport& report);

}  // namespace zeldb
