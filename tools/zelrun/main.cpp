// zelrun: runs zelwrkjob for a scheduler (cron, systemd) and tells how the
// run went. zelwrkjob always ends with exit code 0 and reports only to its
// two logs, which fail silently; zelrun checks the installation first, keeps
// two runs of one installation apart, runs zelwrkjob with the arguments as
// given, reads what this run added to both logs, and ends with one summary
// line and an exit code that tells the cases apart (see kUsage).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Path.h"
#include "platform/ShellOpen.h"
#include "tools/platform/EventLog.h"
#include "tools/platform/FileAccess.h"
#include "tools/platform/OwnPrograms.h"
#include "tools/platform/RunLock.h"
#include "tools/platform/ShownPath.h"
#include "tools/zelrun/LogDelta.h"
#include "tools/zelrun/Metrics.h"
#include "tools/zelrun/PreCheck.h"
#include "tools/zelrun/RunJob.h"
#include "tools/zelrun/Summary.h"
#include "tools/zelrun/Verify.h"

namespace {

constexpr int kExitClean = 0;
constexpr int kExitUsage = 2;
constexpr int kExitPreCheck = 3;
constexpr int kExitLocked = 4;
constexpr int kExitFailures = 5;
constexpr int kExitUnfinished = 6;
constexpr int kExitVerify = 7;

constexpr const char* kLockFile = ".\\Msg\\zelrun.lock";

constexpr const char* kUsage = R"(usage: zelrun [OPTIONS] LETTER [ARGS...]
       zelrun [--dir DIR] [--wait SECONDS] [--json] --verify [--all]

Runs zelwrkjob LETTER ARGS... in an installation's working directory for a
scheduler: checks the installation first, holds the lock Msg/zelrun.lock for
the whole run, and afterwards reads what this run wrote to the message log
(Msg/ZelWrkJob.txt, rotated to Msg/ZelWrkJob.old) and the job log
(Msg/WrkJobLog.Txt). Prints one summary line, for example
  zelrun: U 12.3 s, 42 change lines, 0 failure entries, section ended

LETTER is A, U, S or L (S BADGE YYYYMMDD). zelwrkjob only looks at the first
character of its first argument; a longer one (List, Axyz) is refused unless
--meant is given. Anything else selects no job and is refused.

zelwrkjob itself has no options: it takes any first argument as a letter, so
`zelwrkjob --help` connects to the database and starts the download program
(without a job). Ask zelrun, not zelwrkjob.

options:
  --dir DIR          the installation's working directory (default: the current one)
  --program PATH     the zelwrkjob to run (default: zelwrkjob beside zelrun, else on PATH)
  --wait SECONDS     wait at most this long for another run's lock (default 0)
  --meant            accept a first argument longer than one letter
  --json             print the summary as one JSON object on one line; also
                     when the pre-check fails or the lock is held (then with
                     the problems); not for usage errors
  --timeout SECONDS  kill a job that runs longer (the run did not finish)
  --skip-check NAME  leave out one check of the database (repeatable), for a
                     site that keeps it so on purpose; NAME is one of
                       clock         the database's day and time must be this
                                     machine's (at most 5 minutes apart)
                       cost-centres  Mvs329Ztg must hold cost centres for today
                                     once it holds any, or anyone is employed
                       calendar      MvSystem.Mvs133Bak must hold yesterday and today
                       default-code  Mvs559Fbe must hold exactly one row with FbeTyp 1
  --metrics FILE     after the run, write its figures to FILE for Prometheus
                     (the other letters' last runs stay in it); a usage error
                     writes nothing, and a FILE that cannot be written is
                     reported on standard error and leaves the exit code
  --verify           instead of a run: try every statement of the jobs once on
                     the configured database, changing nothing (every write
                     in one transaction that is rolled back); one line per
                     statement, ok or the status and the server's message,
                     and each column narrower than the job's records
  --all              with --verify: every statement of the database module,
                     the shop-floor ones too
  --help             this text

exit codes:
  0  clean run: the job ran, its job-log section ended, no message-log entries
  2  usage error (unknown option or check name, no letter, a letter that
     selects no job, List/Axyz without --meant)
  3  pre-check failed: the installation is not fit to run (each problem one
     line on standard error, naming the path or the database)
  4  another run holds the lock (after the --wait time)
  5  the run reported failures: it wrote message-log entries
  6  the run did not finish: zelwrkjob was killed, crashed or timed out, or
     its job-log section did not end (when 5 and 6 both apply, 6)
  7  --verify found problems: a statement failed, or a column is narrower
     than the job's records (with --verify, 3: the database is unreachable)

On Windows each run (but --help and --verify) also writes one event into the
Application event log, source ZelWrkJob, event id 1, with the lines printed
above as its text: information for exit code 0, a warning for 5, an error
for 2, 3, 4 and 6 (docs/WINDOWS.md).

A zelwrkjob started beside the run (S for one badge) writes into the same
logs: its job-log sections are told apart by their header's time and place
and not counted, and the summary says "another run wrote meanwhile"; its
message-log entries cannot be told apart and count (docs/OPERATIONS.md). A
Msg folder that belongs to another account gives a warning on standard
error.
)";

struct Options {
  std::string dir;
  std::string program;
  std::string metrics;  // the --metrics file, native and absolute
  double waitSeconds = 0;
  std::optional<double> timeoutSeconds;
  bool meant = false;
  bool json = false;
  bool help = false;
  std::set<std::string> skipped;  // --skip-check names
  bool verify = false;
  bool verifyAll = false;
  std::vector<std::string> args;  // the letter's argument first
};

// The run's event in the system's event log (Windows; nothing elsewhere),
// with the lines the run printed: information for a clean run, a warning for
// failures the run reported, an error for a run that did not take place or
// did not finish. A scheduled task whose arguments are wrong fails every
// night, so a usage error is one too. Not written: the run went as the exit
// code says; that is said once on standard error.
void WriteEvent(int exitCode, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\r\n") + line;
  const PlatEventType type = exitCode == kExitClean      ? PlatEventType::Information
                             : exitCode == kExitFailures ? PlatEventType::Warning
                                                         : PlatEventType::Error;
  if (const std::string failure = Plat_WriteEvent(type, text); !failure.empty()) {
    std::cerr << "zelrun: event not written to the event log: " << failure << "\n";
  }
}

int Usage(const std::string& message) {
  const std::string line = "zelrun: " + message + " (see zelrun --help)";
  std::cerr << line << "\n";
  WriteEvent(kExitUsage, {line});
  return kExitUsage;
}

bool ParseSeconds(const std::string& text, double& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return end && *end == '\0' && out >= 0 && out < 1e9;
}

// Empty text when the command line is fine, else what is wrong with it.
std::string ParseOptions(int argc, char** argv, Options& o) {
  int i = 1;
  for (; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--") {
      ++i;
      break;
    }
    if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) break;
    std::string value;
    bool hasValue = false;
    if (const std::size_t eq = arg.find('='); eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
      hasValue = true;
    }
    const bool valued = arg == "--dir" || arg == "--program" || arg == "--wait" || arg == "--timeout" ||
                        arg == "--skip-check" || arg == "--metrics";
    if (valued && !hasValue) {
      if (i + 1 >= argc) return "option " + arg + " needs a value";
      value = argv[++i];
    } else if (!valued && hasValue) {
      return "option " + arg + " takes no value";
    }
    if (arg == "--dir") {
      o.dir = value;
    } else if (arg == "--program") {
      o.program = value;
    } else if (arg == "--wait") {
      if (!ParseSeconds(value, o.waitSeconds)) return "--wait takes a number of seconds";
    } else if (arg == "--timeout") {
      double t = 0;
      if (!ParseSeconds(value, t) || t <= 0) return "--timeout takes a number of seconds above 0";
      o.timeoutSeconds = t;
    } else if (arg == "--skip-check") {
      const std::vector<std::string>& names = PreCheck_SkippableChecks();
      if (std::find(names.begin(), names.end(), value) == names.end()) {
        std::string known;
        for (const std::string& n : names) known += (known.empty() ? "" : ", ") + n;
        return "--skip-check takes one of " + known + ", not '" + value + "'";
      }
      o.skipped.insert(value);
    } else if (arg == "--metrics") {
      // Resolved before the change of directory, as --program is.
      std::error_code ec;
      const std::filesystem::path full = std::filesystem::absolute(Plat_NativePath(value), ec);
      if (value.empty() || ec) return "--metrics takes a file name";
      o.metrics = full.lexically_normal().string();
    } else if (arg == "--meant") {
      o.meant = true;
    } else if (arg == "--json") {
      o.json = true;
    } else if (arg == "--help") {
      o.help = true;
    } else if (arg == "--verify") {
      o.verify = true;
    } else if (arg == "--all") {
      o.verifyAll = true;
    } else {
      return "unknown option '" + arg + "'";
    }
  }
  o.args.assign(argv + i, argv + argc);
  if (o.help) return {};
  if (o.verifyAll && !o.verify) return "--all goes with --verify";
  if (o.verify) return o.args.empty() ? std::string() : "--verify takes no job letter";
  if (o.args.empty()) return "no job letter given";
  const std::string& first = o.args[0];
  if (first.empty() || (first[0] != 'A' && first[0] != 'U' && first[0] != 'S' && first[0] != 'L')) {
    return "'" + first + "' selects no job (A, U, S or L)";
  }
  if (first.size() > 1 && !o.meant) {
    return "'" + first + "' is taken as '" + first.substr(0, 1) + "' by zelwrkjob; give --meant if that is meant";
  }
  return {};
}

// The zelwrkjob to run: as given (resolved before the change of directory),
// else the one beside this program, else the first on PATH. Empty when none.
std::string FindJobProgram(const std::string& given) {
  std::error_code ec;
  if (!given.empty()) {
    const std::filesystem::path full = std::filesystem::absolute(given, ec);
    return ec ? given : full.lexically_normal().string();
  }
  const std::string own = Plat_OwnDirectory();
  const std::string job = Plat_ProgramFileName("zelwrkjob");
  if (!own.empty()) {
    const std::string beside = own + "/" + job;
    if (Plat_FileInfo(beside).exists) return beside;
  }
  return Plat_FindOnSearchPath(job);
}

// The sections a finished run of the letter leaves: U runs two jobs, L none.
int SectionsOfLetter(char letter) {
  switch (letter) {
    case 'U':
      return 2;
    case 'A':
    case 'S':
      return 1;
    default:
      return 0;
  }
}

// Ends a run whose letter is known: its figures go to the --metrics file,
// if one was given. A file that cannot be written is reported and leaves
// the exit code as it is: the run itself went as the code says.
int Finish(const Options& o, const RunSummary& s) {
  if (!o.metrics.empty()) {
    if (const std::string failure = Metrics_Write(o.metrics, s); !failure.empty()) {
      std::cerr << "zelrun: metrics file not written: " << failure << "\n";
    }
  }
  return s.exitCode;
}

// The figures of a run that ended before the job started.
RunSummary NotRun(const Options& o, int exitCode) {
  RunSummary s;
  s.letter = o.args[0][0];
  s.args = o.args;
  s.exitCode = exitCode;
  return s;
}

// Ends a run that did not take place: each problem a line on standard error
// and, with --json, the object on standard output.
int Refuse(const Options& o, const std::vector<std::string>& problems, const std::vector<std::string>& warnings,
           int exitCode) {
  for (const std::string& p : problems) std::cerr << p << "\n";
  // A verify has no letter: no run's object and no metrics.
  if (o.verify) {
    if (o.json) std::cout << Verify_RefusedJson(problems, exitCode) << std::endl;
    return exitCode;
  }
  if (o.json) std::cout << Summary_NoRunJson(o.args[0][0], o.args, problems, warnings, exitCode) << std::endl;
  std::vector<std::string> lines = warnings;
  lines.insert(lines.end(), problems.begin(), problems.end());
  WriteEvent(exitCode, lines);
  return Finish(o, NotRun(o, exitCode));
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (std::string error = ParseOptions(argc, argv, o); !error.empty()) return Usage(error);
  if (o.help) {
    std::cout << kUsage;
    return kExitClean;
  }

  const std::string program = FindJobProgram(o.program);
  if (!o.dir.empty()) {
    std::error_code ec;
    std::filesystem::current_path(o.dir, ec);
    if (ec) {
      return Refuse(o, {"zelrun: cannot change into the working directory: " + Plat_ShownPath(Plat_NativePath(o.dir))},
                    {}, kExitPreCheck);
    }
  }
  const std::vector<std::string> warnings = PreCheck_Warnings();
  for (const std::string& w : warnings) std::cerr << w << "\n";

  // The lock first, so that the checks see the installation as the run will.
  // Without a Msg folder there is no lock file; the checks then say why.
  int lock = -1;
  bool lockUnavailable = false;
  if (Plat_FileInfo(".\\Msg").isDirectory) {
    const PlatRunLockResult taken = Plat_RunLockAcquire(kLockFile, o.waitSeconds, lock);
    if (taken == PlatRunLockResult::Busy) {
      return Refuse(o, {"zelrun: another run holds the lock: " + Plat_ShownPath(Plat_NativePath(kLockFile))}, warnings,
                    kExitLocked);
    }
    lockUnavailable = taken == PlatRunLockResult::CannotOpen;
  }

  if (o.verify) {
    const int code = Verify_Run(o.verifyAll, o.json, {kExitClean, kExitVerify, kExitPreCheck});
    Plat_RunLockRelease(lock);
    return code;
  }

  std::vector<std::string> problems = PreCheck_Installation(o.skipped);
  if (program.empty()) {
    const std::string job = Plat_ProgramFileName("zelwrkjob");
    problems.push_back("zelrun: zelwrkjob not found beside zelrun or on PATH: " +
                       (Plat_OwnDirectory().empty() ? job : Plat_OwnDirectory() + "/" + job));
  } else if (Plat_FindProgram(program).empty()) {
    problems.push_back("zelrun: program not found or not executable: " + program);
  }
  if (lockUnavailable && problems.empty()) {
    problems.push_back("zelrun: cannot open the lock file: " + Plat_ShownPath(Plat_NativePath(kLockFile)));
  }
  if (!problems.empty()) {
    Plat_RunLockRelease(lock);
    return Refuse(o, problems, warnings, kExitPreCheck);
  }

  const LogMarks marks = LogDelta_Mark();
  const JobEnd end = RunJob(program, o.args, o.timeoutSeconds);
  const std::vector<FailureEntry> failures = LogDelta_ParseEntries(LogDelta_MessageText(marks));
  const JobLogDelta jobLog = LogDelta_ReadJobLog(marks, SectionsOfLetter(o.args[0][0]));
  Plat_RunLockRelease(lock);
  std::vector<std::string> eventLines = warnings;
  if (const std::string trouble = RunJob_Trouble(end, program, o.timeoutSeconds); !trouble.empty()) {
    std::cerr << trouble << "\n";
    eventLines.push_back(trouble);
  }

  RunSummary s;
  s.letter = o.args[0][0];
  s.args = o.args;
  s.seconds = end.exit.wallSeconds;
  s.changeLines = jobLog.changeLines;
  s.failures = failures;
  s.sections = jobLog.sectionsBegun;
  s.otherWriter = jobLog.otherWriter;
  s.warnings = warnings;
  // A run cut short may not have begun every section its letter writes;
  // those count as open too.
  s.sectionEnded = jobLog.sectionsEnded == jobLog.sectionsBegun &&
                   (end.finished() || jobLog.sectionsEnded >= SectionsOfLetter(s.letter));
  s.exitCode = !end.finished() || !s.sectionEnded ? kExitUnfinished : !failures.empty() ? kExitFailures : kExitClean;
  std::cout << (o.json ? Summary_Json(s) : Summary_Text(s)) << std::endl;
  eventLines.push_back(Summary_Text(s));
  WriteEvent(s.exitCode, eventLines);
  return Finish(o, s);
}
