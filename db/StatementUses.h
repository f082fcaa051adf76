// What the run did with each statement and cursor, counted as it went.
//
// Nothing in the program reads the counts: the benchmark tool prints them
// after running a job in-process, to show how many statements a row costs and
// that no text was prepared twice, beside the engine's own counts
// (db/engine/EngineCounters.h, included here for it).
#pragma once

#include <cstdint>
#include <vector>

#include "db/engine/EngineCounters.h"

namespace zeldb {

// The use of one statement or cursor in this run.
struct StatementUse {
  const char* name;  // operation or cursor name; several statements may share one
  char kind;         // 'r' single-row read, 'w' insert, update or delete, 'c' cursor
  uint32_t preparations;
  uint64_t executions;  // single-row reads and writes run; cursors opened
  uint64_t rows;        // rows fetched from a cursor
};

// Every statement and cursor the current session used, with its counts;
// empty when there is no session (before dbConnect succeeded).
std::vector<StatementUse> StatementUses();

}  // namespace zeldb
