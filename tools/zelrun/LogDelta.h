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
//
// Other writers: a zelwrkjob started beside the run (the personnel side's S
// for one badge) writes into the same two logs, and nothing in either tells
// writers apart (no process number; a section's header holds only its run's
// start, to the second). A job-log section is the run's own when
//   - its header's time lies between the mark and the read (the job fixes
//     its stamp after it started; a section of a run begun earlier is not
//     the run's),
//   - it was not begun while another such section was open (a job writes
//     its sections one after the other, never one inside another), and
//   - it is among the last sections left by these two rules, as many as the
//     run's letter writes (U two, A and S one, L none): a run started beside
//     it before the job's first header is the likelier writer of the earlier
//     ones, since the job's own end follows its last section at once.
// Every other section, and lines outside any section begun in the window,
// are another writer's: they are not counted, and the run is marked as one
// that another writer wrote beside. Sections open at the same time have
// their lines counted for the one begun last. Message-log entries cannot be
// told apart at all: all count as the run's, so that no failure goes unseen.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "tools/platform/FileAccess.h"

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
  std::time_t at = 0;  // when the marks were taken
};

// One message-log entry: the reporting function, its code and its message.
struct FailureEntry {
  std::string function;
  std::int64_t code = 0;
  std::string message;
};

// The run's own job-log lines, and whether another writer wrote beside them.
struct JobLogDelta {
  int sectionsBegun = 0;
  int sectionsEnded = 0;  // begun sections that got their empty line
  int changeLines = 0;    // lines between a header and the empty line (a cut last line counts)
  bool otherWriter = false;
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

// The run's sections in a stretch of the job log: `from` and `to` bound the
// run's time as local "yyyymmddhhmmss", `ownSections` is how many sections
// its letter writes (see above).
JobLogDelta LogDelta_ParseJobLog(std::string_view text, std::string_view from, std::string_view to, int ownSections);

// The job log beyond `before`, parsed for a run that writes `ownSections`
// sections and ends now.
JobLogDelta LogDelta_ReadJobLog(const LogMarks& before, int ownSections);
