// The ODBC engine: the job on a site's own database server, through the
// server's ODBC driver (unixODBC on Linux, the system's ODBC on Windows).
//
// NET8 names the data source, "DSN=name" (further attributes may follow,
// "DSN=name;Database=other"); LOGIN and PASS travel as UID and PWD. What
// the driver says the server is (SQL_DBMS_NAME) decides how the statement
// texts reach it:
//  - "Oracle": the texts as written, with every ":bN" marker turned into
//    "?" and the bindings repeated and ordered to match (Translate_Markers);
//    statuses are the server's own numbers (native error N gives -N,
//    Oracle_MapNativeError);
//  - "PostgreSQL": the PostgreSQL server's dialect and schema conventions
//    (Pg_Flavor), session set-up (Pg_SessionSetup) and statuses from the
//    SQLSTATE (Pg_MapSqlState), the same as the PostgreSQL engine's;
//  - any other server: the connect fails with -12538 (an engine this build
//    does not have), before any statement runs.
// A refused login fails with -1017, a data source, server or database that
// cannot be found with -12154.
//
// Oracle's semantics through ODBC:
//  - reads outside a transaction run in the driver's autocommit mode, so
//    that they hold nothing; the first write switches the connection to
//    manual commit, and Commit and Rollback end the transaction there and
//    switch back;
//  - a failed statement undoes only itself: on PostgreSQL every statement
//    inside a transaction runs under an implicit savepoint, as in the
//    PostgreSQL engine (Oracle does this by itself);
//  - a write that meets a row lock fails with -54 after a bounded wait
//    (PostgreSQL: lock_timeout as in the PostgreSQL engine; Oracle: the
//    statement's query timeout, kOdbcLockWaitSeconds);
//  - SQL_NO_DATA is 1403;
//  - every statement is prepared once per connection and reused; a cursor
//    runs on a connection of its own, which keeps its rows across the
//    session's commits.
//
// With early sending on (Engine_AheadEnabled), the look-ups of the rows
// ahead of a cursor walk run on kOdbcAheadConnections further connections
// with the main connection's settings (db/engine/odbc/OdbcAhead.h), opened
// at the first look-up sent; what may be served is decided above the engine
// (db/engine/EarlyAnswers.h). A served look-up gives its rows, its end and
// its failure with the server's message exactly as its own execution would.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "db/engine/Engine.h"

namespace zeldb {

// The servers the engine tells apart, by the DBMS name their driver gives.
inline constexpr char kOracle[] = "Oracle";
inline constexpr char kPostgres[] = "PostgreSQL";

constexpr int kOdbcLockWaitSeconds = 5;

int32_t Odbc_Connect(const std::string& user, const std::string& password, const std::string& service,
                     std::unique_ptr<EngineConnection>& out);

// The status of a failure the driver describes by its SQLSTATE, native error
// and message, for a server named `dbms` ("Oracle", "PostgreSQL", or "" while
// connecting, before the server is known).
int32_t Odbc_MapDiagnostic(const std::string& dbms, const std::string& sqlstate, int32_t native,
                           const std::string& message);

// How a connection renders the table statements for the server `dbms`;
// false for a server the engine does not know.
bool Odbc_KnowsServer(const std::string& dbms);

// Tests: every text handed to the driver for preparation is passed to
// `recorder` first (nullptr ends the recording).
void Odbc_SetPrepareRecorder(std::function<void(const std::string&)> recorder);
// Tests: connections opened afterwards take the server for `dbms` whatever
// the driver says (nullptr: the driver's word again). With "Oracle" on a
// PostgreSQL data source, the Oracle texts reach the driver, which the
// recorder shows; running them is not the point.
void Odbc_AssumeServerForTest(const char* dbms);

}  // namespace zeldb
