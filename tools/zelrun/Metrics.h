// The figures of the last run of each letter, in a file that monitoring
// reads (Prometheus' text format, as node_exporter's and windows_exporter's
// textfile collectors take it):
//
//   # HELP zelrun_last_run_exit_code zelrun's exit code of the last run ...
//   # TYPE zelrun_last_run_exit_code gauge
//   zelrun_last_run_exit_code{letter="A"} 0
//   zelrun_last_run_exit_code{letter="U"} 5
//
// Every figure describes the last run alone, so every family is a gauge.
// The file holds one sample per family for each letter that has run: a run
// replaces its own letter's samples and keeps the others', so that an alert
// on one letter works while the others run too. The time of the last clean
// run is carried over through failed runs of the letter. Lines end in LF
// alone, on Windows too: the format knows no other line end.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "tools/zelrun/Summary.h"

// The file's content after the run `s` that ended at `now`: its letter's
// samples new, the other letters' samples taken from `existing` (the file
// as it was). Lines of `existing` that are not one of this file's samples
// as zelrun writes them are dropped, so that the new file always parses.
std::string Metrics_Render(const RunSummary& s, std::time_t now, std::string_view existing);

// Reads the metrics file `path` (native, absolute), renders and replaces it
// whole, so that a collector never reads a part. A short lock on the file
// `path` + ".lock" keeps two zelruns (one refused by the run lock, one at its
// end) from losing each other's letter. An existing file that does not
// begin as zelrun writes it is not replaced: the path is then mistyped.
// Returns an empty text, else what failed; the file is then left as it was.
std::string Metrics_Write(const std::string& path, const RunSummary& s);
