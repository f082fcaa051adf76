// The PostgreSQL engine: the same program on a database server.
//
// NET8 holds a libpq connection string, either a URI
// ("postgresql://host:5432/zeldb") or key=value pairs
// ("host=/run/postgresql dbname=zeldb"); LOGIN and PASS are the user and the
// password (an empty one leaves libpq's default). A refused login fails with
// -1017, a server or database that cannot be found with -12154.
//
// Oracle's semantics on PostgreSQL:
//  - a failed statement undoes only itself: inside a transaction every
//    statement runs under an implicit savepoint (the first statement after
//    an explicit savepoint is already guarded by it), so the transaction
//    never stays aborted;
//  - a write that meets a row lock fails with -54 after lock_timeout
//    (kPgLockTimeout), it never hangs;
//  - a cursor runs on a connection of its own as one streamed query (single-
//    row mode): it keeps its snapshot across the session's commits and
//    rollbacks, and memory does not grow with its rows;
//  - "sysdate" is the server's LOCALTIMESTAMP cut to the second (not
//    rounded), "trunc(sysdate)" its day;
//  - every statement is prepared once per connection and reused.
//
// Storage: days and instants are timestamp(0), texts varchar(n) compared
// byte by byte (COLLATE "C", whatever the database's locale); the master
// tables live in the schema MvSystem, the job's own tables in public, and a
// view public.Mvs133Bak lets the unqualified calendar name reach
// MvSystem.Mvs133Bak.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "db/engine/Engine.h"
#include "db/engine/postgres/PgConnInfo.h"
// PostgreSQL's flavour, session set-up and statuses: this engine runs by
// them, and its callers (the tests, the benchmark) reach them from here.
#include "db/server/postgres/PgFlavor.h"
#include "db/server/postgres/PgSession.h"
#include "db/server/postgres/PgStatus.h"

struct pg_conn;

namespace zeldb {

int32_t Pg_Connect(const std::string& user, const std::string& password, const std::string& conninfo,
                   std::unique_ptr<EngineConnection>& out);

// Ends the query that `conn` runs in single-row mode, leaving the connection
// free for the next one: reads its remaining rows, and after 256 of them asks
// the server to cancel the rest. (The checks close their cursors after one
// row of a handful: reading the rest is cheaper than a cancel request, which
// costs a new connection to the server.) The benchmark's floor closes its
// cursors with it too.
void Pg_FinishQuery(pg_conn* conn);

// Look-ups sent ahead (db/engine/EarlyAnswers.h, carried by
// db/engine/postgres/PgPipeline.h), and the begin and savepoint of a write
// sent with it in one pipeline: both on while Engine_AheadEnabled() says so
// when the session connects (the environment's ZEL_AHEAD).

}  // namespace zeldb
