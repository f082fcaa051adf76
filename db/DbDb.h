// The database session: connect, commit, rollback.
//
// The process holds exactly one session for its whole run. `dbConnect` reads
// LOGIN, PASS and NET8 from the configuration file, builds the connect string
// LOGIN "/" PASS "@" NET8 and opens the engine that NET8 names. Every table
// operation (db/Dbstd.h) runs on this session.
//
// Status codes: 0 done; a negative Oracle error number on failure (see
// util/OraStatus.h for the statuses every engine maps its errors to).
#pragma once

#include <cstdint>

// Connects the session. Returns 0, or the negative status of the failure
// (for example -12154 when the database named by NET8 cannot be found, -12899
// when the connect string exceeds 100 characters). A second call replaces
// the session.
int32_t dbConnect();

// Commits the session's pending work. Its status is not looked at by callers.
void dbCommit();

// Rolls the session's pending work back.
void dbRollback();

// Ends the session: its connections close, and what was pending is rolled
// back with them. The job never calls it (its session ends with the
// process); zelrun ends the session of its checks before the run starts.
void dbDisconnect();
