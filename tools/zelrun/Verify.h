// zelrun --verify: every statement of the jobs tried once on the installation's
// own database, as the job connects to it (dbConnect), changing nothing; the
// database module does the trying (db/DbstdVerify.h), this prints it.
//
// Text: one line per statement, its name, kind and "ok" or its status and
// the server's own message, one line per column narrower than its record,
// then a summary line:
//   Prv_PKeyReadk       select  ok
//   Prv_PKeyUpd         update  -1031 permission denied for table mvs510prv
//   Mvs510Prv.PrvNam    too narrow: 30 characters at this site, 50 in the records
//   zelrun: verify: 16 statements, 1 failed, 1 column too narrow
// JSON (--json): one object on one line,
//   {"exit_code":7,"problems":[],"statements":[{"name":..,"kind":..,"status":..,"ok":..,"message":..}],
//    "widths":[{"table":..,"column":..,"site_width":..,"record_width":..,"status":..,"message":..}]}
// A verify that could not connect, or was refused (the lock, the folder),
// gives its problems and no statements.
#pragma once

#include <string>
#include <vector>

struct VerifyExitCodes {
  int passed;       // every statement ran, no column too narrow
  int problems;     // a statement failed or a column is too narrow
  int unreachable;  // no connection to the database
};

// Connects, verifies (every operation of the module with `all`), prints, and
// returns the exit code.
int Verify_Run(bool all, bool json, const VerifyExitCodes& codes);

// The object of a verify that did not take place: `problems` are the lines
// printed on standard error.
std::string Verify_RefusedJson(const std::vector<std::string>& problems, int exitCode);
