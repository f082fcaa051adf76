// Counts of the work the database engine did in this process.
//
// Each engine counts every statement text it prepares (the table statements
// and its own transaction control: begin, savepoint, release, rollback to,
// commit) and how many of those texts it had already prepared on the same
// connection earlier in the run, which would mean parsing the same text
// twice; PostgreSQL's transaction control goes as plain queries and counts
// only as transaction statements. Nothing in the program reads these counts; the benchmark tool runs
// a job in-process and prints them afterwards. Counting never changes what a
// statement does.
#pragma once

#include <cstdint>

namespace zeldb {

struct EngineCounters {
  uint64_t preparations = 0;          // statement texts parsed and prepared
  uint64_t repeatedPreparations = 0;  // texts parsed again on a connection that had parsed them before
  uint64_t transactionStatements = 0; // begin, savepoint, release, rollback (to) and commit run
  uint64_t commits = 0;               // commits that ended a transaction
};

// The process's counts; zero at start.
EngineCounters& Engine_Counters();

}  // namespace zeldb
