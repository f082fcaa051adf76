#include "tools/zelrun/LogDelta.h"

#include <charconv>
#include <fstream>
#include <iterator>

#include "log/MsgLogTail.h"
#include "platform/Clock.h"
#include "platform/InstallationFiles.h"
#include "platform/Path.h"
#include "util/TornLine.h"

namespace {

bool SameFile(const PlatFileInfo& a, const PlatFileInfo& b) {
  return a.exists && b.exists && a.device == b.device && a.inode == b.inode;
}

// The file's bytes from `offset` on; from the start when the file is now
// shorter than the offset (someone emptied it meanwhile).
std::string ReadFrom(const char* systemPath, std::uint64_t offset) {
  std::ifstream in(Plat_NativePath(systemPath), std::ios::binary);
  if (!in) return {};
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) return {};
  if (offset > static_cast<std::uint64_t>(size)) offset = 0;
  in.seekg(static_cast<std::streamoff>(offset));
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What a file holds beyond its mark: everything when it is another file
// than the one marked (new, or put in place of the marked one); nothing when
// the marked file kept its size; else from `from` on.
std::string Beyond(const char* systemPath, const PlatFileInfo& now, const PlatFileInfo& marked, std::uint64_t from) {
  if (!now.exists) return {};
  if (!SameFile(now, marked)) return ReadFrom(systemPath, 0);
  if (now.size == marked.size) return {};
  return ReadFrom(systemPath, from);
}

// Splits at CR LF; a last line without one is returned too.
std::vector<std::string_view> Lines(std::string_view text, bool& lastCut) {
  std::vector<std::string_view> lines;
  lastCut = false;
  while (!text.empty()) {
    const std::size_t end = text.find("\r\n");
    if (end == std::string_view::npos) {
      lines.push_back(text);
      lastCut = true;
      break;
    }
    lines.push_back(text.substr(0, end));
    text.remove_prefix(end + 2);
  }
  return lines;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

}  // namespace

namespace {

// The last `bytes` bytes of a file, and the offset they begin at. zelrun looks
// at as much of each log's end as the log's next writer does.
std::string Tail(const char* systemPath, std::uint64_t size, std::uint64_t bytes, std::uint64_t& from) {
  from = size > bytes ? size - bytes : 0;
  std::string tail = ReadFrom(systemPath, from);
  if (tail.size() > size - from) tail.resize(static_cast<std::size_t>(size - from));
  return tail;
}

// A run killed during a write can leave an unfinished entry or line at the
// end of a log; the job's next writer cuts it off before appending. What this
// run appends is read from where that part begins.
std::uint64_t MessagesFrom(const PlatFileInfo& messageLog) {
  if (!messageLog.exists || messageLog.size == 0) return messageLog.size;
  std::uint64_t from = 0;
  const std::string tail = Tail(kMessageLogFile, messageLog.size, kMsgLogTailBytes, from);
  const std::size_t torn = MsgLog_TornEntryStart(tail, from == 0);
  return torn == std::string::npos ? messageLog.size : from + torn;
}

std::uint64_t LinesFrom(const PlatFileInfo& jobLog) {
  if (!jobLog.exists || jobLog.size == 0) return jobLog.size;
  std::uint64_t from = 0;
  const std::string tail = Tail(kJobLogFile, jobLog.size, kTornLineTailBytes, from);
  const std::size_t torn = TornLineStart(tail, from == 0);
  return torn == std::string::npos ? jobLog.size : from + torn;
}

}  // namespace

LogMarks LogDelta_Mark() {
  LogMarks marks{Plat_FileInfo(kMessageLogFile), Plat_FileInfo(kMessageLogOldFile), Plat_FileInfo(kJobLogFile)};
  marks.messageFrom = MessagesFrom(marks.message);
  marks.jobFrom = LinesFrom(marks.job);
  marks.at = Plat_Now();
  return marks;
}

std::string LogDelta_MessageText(const LogMarks& before) {
  const LogMarks now{Plat_FileInfo(kMessageLogFile), Plat_FileInfo(kMessageLogOldFile), {}};
  std::string text;
  // An old generation that is not the one marked was made by this run's
  // rotation: from the log as it was marked (read on from its mark), or from
  // a log this run began.
  if (now.old.exists && !SameFile(now.old, before.old)) {
    const bool wasTheLog = SameFile(now.old, before.message);
    text += wasTheLog ? Beyond(kMessageLogOldFile, now.old, before.message, before.messageFrom)
                      : Beyond(kMessageLogOldFile, now.old, before.old, before.old.size);
  }
  return text + Beyond(kMessageLogFile, now.message, before.message, before.messageFrom);
}

std::string LogDelta_JobText(const LogMarks& before) {
  return Beyond(kJobLogFile, Plat_FileInfo(kJobLogFile), before.job, before.jobFrom);
}

std::vector<FailureEntry> LogDelta_ParseEntries(std::string_view text) {
  std::vector<FailureEntry> entries;
  bool lastCut = false;
  for (std::string_view line : Lines(text, lastCut)) {
    if (line == "\xFE") {
      entries.emplace_back();
      continue;
    }
    if (entries.empty()) continue;  // the tail of an entry from before the mark
    FailureEntry& e = entries.back();
    if (StartsWith(line, "Funktion___: ")) {
      e.function = line.substr(13);
    } else if (StartsWith(line, "Message____: ")) {
      e.message = line.substr(13);
    } else if (StartsWith(line, "ErrorCode__: ")) {
      const std::string_view digits = line.substr(13);
      std::from_chars(digits.data(), digits.data() + digits.size(), e.code);
    }
  }
  return entries;
}

namespace {

// A local time as "yyyymmddhhmmss", the order of the job log's stamps; ""
// when it cannot be had.
std::string Stamp(std::time_t t) {
  std::tm local{};
  char text[16] = {};
  if (!Plat_LocalTime(t, local) || std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local) != 14) return {};
  return text;
}

// The stamp of a header "Datum: dd.mm.yyyy  Uhrzeit: hh:mm:ss"; "" when it
// has no such time.
std::string HeaderStamp(std::string_view header) {
  constexpr std::string_view kShape = "Datum: dd.mm.yyyy  Uhrzeit: hh:mm:ss";
  if (header.size() != kShape.size()) return {};
  std::string stamp;
  for (const std::size_t at : {13, 14, 15, 16, 10, 11, 7, 8, 28, 29, 31, 32, 34, 35}) {
    if (header[at] < '0' || header[at] > '9') return {};
    stamp += header[at];
  }
  return stamp;
}

struct Section {
  bool candidate = false;  // its time is the run's, and no such section was open when it began
  bool ended = false;
  int changeLines = 0;
};

}  // namespace

JobLogDelta LogDelta_ParseJobLog(std::string_view text, std::string_view from, std::string_view to, int ownSections) {
  std::vector<Section> sections;
  std::vector<std::size_t> open;  // the sections begun and not ended, last begun last
  bool stray = false;             // lines of a section begun before the window
  bool lastCut = false;
  const std::vector<std::string_view> lines = Lines(text, lastCut);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    const bool whole = !(lastCut && i + 1 == lines.size());
    if (StartsWith(line, "Datum: ") && line.find("  Uhrzeit: ") != std::string_view::npos) {
      const std::string stamp = HeaderStamp(line);
      bool insideCandidate = false;
      for (const std::size_t o : open) insideCandidate = insideCandidate || sections[o].candidate;
      Section section;
      section.candidate = !stamp.empty() && stamp >= from && (to.empty() || stamp <= to) && !insideCandidate;
      open.push_back(sections.size());
      sections.push_back(section);
    } else if (open.empty()) {
      stray = true;
    } else if (line.empty() && whole) {
      sections[open.back()].ended = true;
      open.pop_back();
    } else {
      ++sections[open.back()].changeLines;
    }
  }
  JobLogDelta delta;
  int own = 0;
  for (std::size_t i = sections.size(); i-- > 0;) {
    if (!sections[i].candidate || own == ownSections) continue;
    ++own;
    ++delta.sectionsBegun;
    delta.sectionsEnded += sections[i].ended;
    delta.changeLines += sections[i].changeLines;
  }
  delta.otherWriter = stray || own < static_cast<int>(sections.size());
  return delta;
}

JobLogDelta LogDelta_ReadJobLog(const LogMarks& before, int ownSections) {
  return LogDelta_ParseJobLog(LogDelta_JobText(before), Stamp(before.at), Stamp(Plat_Now()), ownSections);
}
