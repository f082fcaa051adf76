#include "log/MsgLogTail.h"

namespace {
// The first seven lines of every entry, each ended with CR LF: the marker
// line and the six labelled fields.
constexpr std::string_view kLineStarts[] = {"\xFE",          "System-Date: ", "System-Time: ", "MsgArt_____: ",
                                            "Message____: ", "Funktion___: ", "ErrorCode__: "};
constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kEmptyLines = "\r\n\r\n";
constexpr std::size_t npos = std::string_view::npos;

// The last entry marker that begins a line of `tail`.
std::size_t LastEntryStart(std::string_view tail, bool atFileStart) {
  for (std::size_t p = tail.rfind('\xFE'); p != npos; p = p == 0 ? npos : tail.rfind('\xFE', p - 1)) {
    if (p == 0 ? atFileStart : tail[p - 1] == '\n') return p;
  }
  return npos;
}

// Whether `fragment`, the unfinished last line, can be the beginning of a
// line that starts with `label`.
bool CanBegin(std::string_view fragment, std::string_view label) {
  const std::size_t n = fragment.size() < label.size() ? fragment.size() : label.size();
  return fragment.substr(0, n) == label.substr(0, n);
}
}  // namespace

std::size_t MsgLog_TornEntryStart(std::string_view tail, bool atFileStart) {
  const std::size_t start = LastEntryStart(tail, atFileStart);
  if (start == npos) return npos;
  std::size_t pos = start;
  for (std::size_t i = 0; i < std::size(kLineStarts); ++i) {
    const std::string_view label = kLineStarts[i];
    const std::size_t end = tail.find(kCrLf, pos);
    if (end == npos) return CanBegin(tail.substr(pos), label) ? start : npos;
    const std::string_view line = tail.substr(pos, end - pos);
    // A line of another shape: not an entry this log writes; leave it.
    if (i == 0 ? line != label : line.substr(0, label.size()) != label) return npos;
    pos = end + kCrLf.size();
  }
  // The fields are whole. What this program writes after them without data
  // is line ends alone (the empty lines of SMSG); a part of those that stops
  // short of a line feed is unfinished. Anything else (a data block, text of
  // another writer) cannot be judged and stays.
  const std::string_view rest = tail.substr(pos);
  const bool partOfEmptyLines = kEmptyLines.substr(0, rest.size()) == rest && rest.size() < kEmptyLines.size();
  return partOfEmptyLines && !rest.empty() && rest.back() != '\n' ? start : npos;
}
