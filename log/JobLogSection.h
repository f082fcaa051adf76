// One job's section of the job log.
//
// Every job (S, U, A) writes the same frame around its lines: it opens
// ".\Msg\WrkJobLog.Txt" for appending, writes the run's header line, then
// one line per change, and ends with an empty line. A section does exactly
// that: the constructor opens the file and writes the header, Write adds a
// line, and the destructor writes the empty line and closes, on every path
// out of the job. When the file cannot be opened every write is skipped and
// the job runs on, as the job log has it.
#pragma once

#include <string_view>

#include "log/JobLog.h"

class JobLogSection {
 public:
  // `header` is the run's header line, "\n" included.
  explicit JobLogSection(std::string_view header);
  ~JobLogSection();
  JobLogSection(const JobLogSection&) = delete;
  JobLogSection& operator=(const JobLogSection&) = delete;

  // Writes `line` ("\n" becomes CR LF); nothing when the file is not open.
  void Write(std::string_view line);

 private:
  JobLog log_;
};
