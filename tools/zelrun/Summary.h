// The one line zelrun prints after a run: as text for people and mail from
// cron, or as one JSON object for monitoring.
//
//   zelrun: U 12.3 s, 42 change lines, 0 failure entries, section ended
//   {"letter":"U","args":["U"],"duration_s":12.3,"change_lines":42,
//    "failures":[{"function":"Prv_Update","code":-1}],"section_ended":true,
//    "other_writer":false,"warnings":[],"exit_code":0}
//
// The text names at most the first ten failure entries ("and N more"); the
// JSON lists every one. A run whose job writes no job-log section (L) shows
// "no section" in the text; its section_ended is true, since none stayed open.
// When another zelwrkjob wrote to the job log beside the run, the text ends
// in ", another run wrote meanwhile" and other_writer is true.
//
// When no run took place (the pre-check failed, the lock was held), the JSON
// object holds the problems instead of what a run wrote:
//   {"letter":"U","args":["U"],"problems":["no Msg folder: /srv/.../Msg"],
//    "warnings":[],"exit_code":3}
// Problems and warnings are the lines zelrun writes to standard error,
// without their "zelrun: ".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/zelrun/LogDelta.h"

struct RunSummary {
  char letter = '\0';
  std::vector<std::string> args;  // zelwrkjob's arguments, as given
  double seconds = 0;
  int changeLines = 0;
  std::vector<FailureEntry> failures;
  int sections = 0;          // job-log sections the run began
  bool sectionEnded = true;  // no section of the run stayed open
  bool otherWriter = false;  // another zelwrkjob wrote to the job log beside the run
  std::vector<std::string> warnings;
  int exitCode = 0;
};

std::string Summary_Text(const RunSummary& s);
std::string Summary_Json(const RunSummary& s);

// Lines as a JSON array of strings, each without its "zelrun: " (and
// "warning: ") prefix, as the objects give problems and warnings.
std::string Summary_JsonLines(const std::vector<std::string>& lines);

// The JSON object of a run that did not take place: `problems` why, as
// written to standard error.
std::string Summary_NoRunJson(char letter, const std::vector<std::string>& args,
                              const std::vector<std::string>& problems, const std::vector<std::string>& warnings,
                              int exitCode);

// `text` as a JSON string, quotes included: '"', '\' and control characters
// escaped, bytes that are not UTF-8 replaced by U+FFFD, so that the output is
// valid JSON whatever the log or the command line held.
std::string Summary_JsonString(std::string_view text);
