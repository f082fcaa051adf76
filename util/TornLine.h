// Where an unfinished last line of a line-written file begins.
//
// The job log and the download-program record are written a whole line at a
// time, so a file that does not end with a line feed ends with the first
// part of a line whose writer was ended in the middle of its write. Its next
// writer cuts that part off before appending (platform AppendFile), and
// zelrun counts a run's lines from where it began.
#pragma once

#include <cstddef>
#include <string_view>

// `tail` is the end of the file; `atFileStart` says whether it is the whole
// file. Returns the offset in `tail` where the unfinished line begins: after
// the last line feed, or 0 when the whole file is one unfinished line.
// Returns npos when there is nothing to cut: the file is empty or ends with
// a line feed, or the tail holds no line feed and is not the whole file
// (the line began before it, and is left as it is).
std::size_t TornLineStart(std::string_view tail, bool atFileStart);

// How much of a file's end TornLineStart is given: a line of these files is
// well under a kilobyte.
inline constexpr std::size_t kTornLineTailBytes = 4096;
