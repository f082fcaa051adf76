// The files of an installation that the job writes and starts, by the names
// the system gives them (system paths, from the working directory of a run).
//
// The job writes and starts them; zelrun checks them before a run and reads
// what a run added; the benchmark builds installations with them. All of
// them take the names from here.
#pragma once

// The message log, and the copy its rotation leaves (the log's extension
// replaced by ".old", as MsgLog_Setup derives it).
inline constexpr const char kMessageLogFile[] = ".\\Msg\\ZelWrkJob.txt";
inline constexpr const char kMessageLogOldFile[] = ".\\Msg\\ZelWrkJob.old";

// The job log.
inline constexpr const char kJobLogFile[] = ".\\Msg\\WrkJobLog.Txt";

// The download program, started at the end of every run; found in the
// working directory first, then on the search path.
inline constexpr const char kDownloadProgramFile[] = "ZELDNLSTD.EXE";
