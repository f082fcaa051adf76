// What one run of zelwrkjob added to its two logs.
//
// Before the run the wrapper marks where each log file ends (and which file
// it is); afterwards it reads only what lies beyond the marks. The message
// log may have rotated during the run (after 3000 entries of the run the log
// becomes ZelWrkJob.old and a new log begins): the old generation is then
// read from the earlier mark on, and the new log whole. A generation that a
// second rotation deleted within the run is gone; its entries cannot be
// counted.
//
// The message log is read as entries (each begins with the byte 0xFE alone
// on its line), the job log as sections: a header line "Datum: ...  Uhrzeit:
// ...", the change lines, an empty line that ends it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileAccess.h"

// Where the three log files stood before the run.
struct LogMarks {
  PlatFileInfo message;  // .\Msg\ZelWrkJob.txt
  PlatFileInfo old;      // .\Msg\ZelWrkJob.old
  PlatFileInfo job;      // .\Msg\WrkJobLog.Txt
  // Where the bytes this run appends begin, should it write: before an
  // unfinished entry or line that a killed run left at the end, which the
  // job cuts off before its first write.
  std::uint64_t messageFrom = 0;
  std::uint64_t jobFrom = 0;
};

// One message-log entry: the reporting function, its code and its message.
struct FailureEntry {
  std::string function;
  std::int64_t code = 0;
  std::string message;
};

// The job-log lines of a run.
struct JobLogDelta {
  int sectionsBegun = 0;
  int sectionsEnded = 0;  // begun sections that got their empty line
  int changeLines = 0;    // lines between a header and the empty line (a cut last line counts)
};

// Marks the three files in the working directory.
LogMarks LogDelta_Mark();

// The bytes of the message log written since `before`, both generations.
std::string LogDelta_MessageText(const LogMarks& before);
// The bytes of the job log written since `before`.
std::string LogDelta_JobText(const LogMarks& before);

// The entries of a stretch of the message log, in order. A stretch cut off
// inside an entry still counts that entry with what it holds.
std::vector<FailureEntry> LogDelta_ParseEntries(std::string_view text);

// The sections of a stretch of the job log.
JobLogDelta LogDelta_ParseJobLog(std::string_view text);
