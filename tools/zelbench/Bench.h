// The benchmark run: for each person count, an installation with generated
// data, and four measurements of zelwrkjob as a whole process, each beside
// the floor of the same statements (Floor.h) in the same run, on SQLite files
// or on a PostgreSQL server (the data generated as a SQLite file and loaded
// into the server, PgCopy.h):
//
//   U      on an empty download table
//   A      with no changes (on the table that U left in line)
//   A 2 %  after Change() altered the master data of that share of persons
//   S      for one new badge assignment of a changed person
//
// On a server the job runs a second time in every repetition, with the
// engine's early sending off (ZEL_AHEAD=off); through ODBC a third time, on
// the native PostgreSQL engine with it on, against the same server and
// database (an installation of its own whose NET8 names the server through
// libpq). The tables compare all of them.
//
// Every measurement runs `repetitions` times, alternating job and floor, each
// on a fresh copy of its input; the best wall time of each counts (the
// machine is shared, and the best run is the one least disturbed). Before
// the timed runs the job runs once in-process (`zelbench count`) to count
// its statements and preparations, and the floor runs once to prove that it
// executed the same statements and left the same table.
//
// Writes the tables as Markdown to standard output and to `<dir>/results.md`.
// Returns 0, or 1 when a step failed or the floor did not match the job.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zelbench {

struct BenchOptions {
  std::vector<int64_t> persons{10000, 100000};
  int repetitions = 3;
  std::string directory;  // work area; every run starts it anew
  uint64_t seed = 1;
  double changedPercent = 2.0;
  // PostgreSQL instead of SQLite: the server's host (or socket directory)
  // and a user that may create databases. Empty: SQLite.
  std::string pgHost;
  std::string pgUser = "postgres";
  // With pgHost: the jobs reach the server through the ODBC engine, by this
  // data source (NET8 "DSN=<odbcDsn>;Database=..."), and once more through
  // the native engine at pgHost. The floor stays on libpq.
  std::string odbcDsn;
  // The jobs alone, with the engine's defaults: no counted run, no floor, no
  // run with the early sending off, none on the native engine. For peak
  // memory and time at sizes where the whole comparison would take hours.
  bool jobOnly = false;
};

int RunBench(const BenchOptions& options);

}  // namespace zelbench
