// Recognises an entry that a writer left unfinished at the end of the message
// log.
//
// Each entry reaches the file in one write, but a process killed while the
// kernel copies that write into the file can leave only its first part (the
// copy goes page by page and stops at a fatal signal). The next entry would
// then continue that part, and a reader finds neither entry whole. The next
// writer therefore looks at the end of the file, while it holds the file's
// lock, before it appends.
#pragma once

#include <cstddef>
#include <string_view>

// `tail` is the end of the log file; `atFileStart` says whether it is the
// whole file. Returns the offset in `tail` where an unfinished entry begins,
// or std::string_view::npos when the file ends with a whole entry, or with
// something that is not an entry of this log (left alone).
std::size_t MsgLog_TornEntryStart(std::string_view tail, bool atFileStart);

// How much of the log's end MsgLog_TornEntryStart is given: far more than
// one entry of this program (its header lines with their fixed-width texts
// take some hundred bytes).
inline constexpr std::size_t kMsgLogTailBytes = 8192;
