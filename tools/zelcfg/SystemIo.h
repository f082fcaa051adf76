// The operating-system side of zelcfg: reading a secret from standard input
// and replacing a file atomically.
#pragma once

#include <string>
#include <string_view>

// Reads one line from standard input into `line`, without its line end (LF
// or CR LF). When standard input is a terminal, `prompt` goes to standard
// error first and the typed characters are not echoed. Returns false when
// standard input holds no line at all.
bool ReadSecretLine(const char* prompt, std::string& line);

// Reads the whole file at `path` (native form) into `content`. A file that
// does not exist counts as empty when `missingIsEmpty`, else it is a failure.
// Returns an empty text on success, else a short description of the failure
// that names the file by its absolute path.
std::string ReadWholeFile(const std::string& path, std::string& content, bool missingIsEmpty);

// Replaces the file at `path` (native form) by `content` so that a reader
// sees either the old file or the new one whole, never a part: the text is
// written to a new file in the same directory with mode 0600, flushed to
// disk, given the owner and mode of the file it replaces (a new file keeps
// 0600), and renamed over it. A symbolic link is followed: the file it leads
// to is replaced and the link stays. Missing parent directories are created.
// Returns an empty text on success, else a short description of the failure
// naming the file by its absolute path (the old file is then left as it was).
std::string ReplaceFileAtomically(const std::string& path, std::string_view content);
