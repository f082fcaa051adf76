// The floor: what the jobs' statements cost on the engine alone.
//
// RunFloor executes the statements that a job executes, with the same values,
// in a minimal loop straight on the engine's API (sqlite3 or libpq, by the
// form of `database`; FloorEngine.h): the texts as the dialect renders them
// for that engine (zeldb::Translate), prepared once, values bound from the
// columns just read, each single-row read read to its end, each cursor
// fetched once per lookup, each write committed durably on its own
// (autocommit). It keeps the engine's connection layout (one connection for
// reads and writes, one per cursor), because that layout is what gives a
// cursor its snapshot; it leaves out everything else a job does: host
// records, the dialect at run time, savepoints, logs, the start of the
// download program.
//
// Which lookups a row needs follows the jobs' checks (the third badge
// lookup, the calendar read), decided from the values read. What a job
// writes is not decided here: inserts are built from the assignment row as
// the jobs build them; updates come from a file that lists, per changed row,
// the values of the update's placeholders as the job bound them
// (BenchUpdatesFile), made from the job's own result beforehand.
//
// Prints, like `zelbench count`, one line per statement with its executions,
// so that the runner can prove that both ran the same statements. Returns 0,
// or 1 on a failure (written to standard error).
#pragma once

#include <string>

namespace zelbench {

struct FloorOptions {
  char job = 'A';        // 'U', 'A' or 'S'
  std::string database;  // a SQLite file, or a PostgreSQL connection string
  std::string updates;   // the updates file, or empty for none
  std::string badge;     // S: badge number
  std::string firstDay;  // S: "yyyymmdd"
};

int RunFloor(const FloorOptions& options);

// Writes the updates file for RunFloor: the rows of Mvs510Prv in `result`
// that are new or differ from those in `input` (PrvDat included, which every
// write sets), each as the values of Prv_PKeyUpd's placeholders in order,
// tab-separated, an empty field for NULL. Returns the number of rows, or -1.
long WriteUpdatesFile(const std::string& input, const std::string& result, const std::string& file);

}  // namespace zelbench
