// Job log: the readable record of what the jobs did to Mvs510Prv.
//
// Each job (S, U, A) opens ".\Msg\WrkJobLog.Txt" for appending, writes
// RunHeader, one line per change, and at the end an empty line. Every "\n"
// written becomes CR LF in the file. Other writers may append at the same
// time; each line goes to the file in one write at its current end. When the
// file cannot be opened the job runs on and every write is skipped; failed
// writes are ignored.
#pragma once

#include <string_view>

#include "platform/InstallationFiles.h"

class JobLog {
 public:
  JobLog() = default;
  ~JobLog();
  JobLog(const JobLog&) = delete;
  JobLog& operator=(const JobLog&) = delete;

  // Opens ".\Msg\WrkJobLog.Txt" (or `systemPath`) for appending; creates it
  // when missing. Returns whether the file is open.
  bool Open(std::string_view systemPath = kJobLogFile);
  bool IsOpen() const { return fd_ >= 0; }

  // Writes `text` with every "\n" turned into CR LF; nothing when not open.
  void Write(std::string_view text);

  // Closes the file; nothing when not open.
  void Close();

 private:
  int fd_ = -1;
};
