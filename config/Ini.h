// Configuration file reader: the enciphered database login of the system's
// shared configuration file.
//
// The file "..\..\..\..\files\veldoran.ini" (relative to the working
// directory) is read line by line; its lines form pairs, line A and line B,
// from the top. Line A "field1;group;rest" gives the record's group; line B
// "number;key;value" its number, key and value, the value enciphered in the
// digit form (config/Idea.h) with the key "QUARVEL". A file with an odd
// number of lines ends with an unpaired line A that is never used.
//
// Field rules (IniParsePair): p1 and p2 are the first and second ';' of a
// line (p2 == p1 when the line holds only one).
//   - group (line A) and key (line B): the text between p1 and p2; when they
//     are adjacent (";;") the rest of the line from the second ';' on, line
//     end included; with fewer than two ';' the field is empty.
//   - number: the text before the first ';' of line B read as a decimal
//     integer (leading blanks and one sign allowed, stopping at the first
//     non-digit, 0 without digits, held to the 32-bit range). A line B
//     without any ';' has the number 0 and an empty key.
//   - value: a line B without ';' is the value as a whole (line end
//     included); a line end right after the last separator is the value by
//     itself (deciphers to an empty text); otherwise the text after the
//     second ';' (after the only one, when there is one) up to the line end.
// LF and CR LF both end a line; a line end kept inside a field is always the
// single character '\n'. Lines are read whole, however long, and the last
// line keeps its fields when it has no line end.
//
// Matching: a pair matches when its key equals the given key, or a given
// group equals its group, or a given number equals its number. An empty
// group, an empty key and the number 0 count as not given, so a lookup with
// group "" and number 0 is decided by the key alone. Comparisons are exact
// and case-sensitive; the first matching pair wins.
//
// Ownership: `IniEntry` is the one result record of the process, overwritten
// by every lookup. Nothing here throws or writes a message; a missing file or
// key simply gives empty texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>

#include "util/FixedText.h"

// The configuration file, named the system's way (Plat_NativePath opens it).
inline constexpr const char* kIniFileName = "..\\..\\..\\..\\files\\veldoran.ini";
// Cipher key of the configuration values (digit form).
inline constexpr const char* kIniCipherKey = "QUARVEL";
// Buffer width Ini_ReadLogin writes: 40 characters and the terminator.
constexpr std::size_t kIniLoginWidth = 41;
// Width of the group, key and value texts of IniEntry: 200 characters and the
// terminator. Longer fields take part in the match whole and are cut only
// when they are stored here.
constexpr std::size_t kIniFieldWidth = 201;

struct IniRecord {
  int32_t number;
  FixedText<kIniFieldWidth> group;
  FixedText<kIniFieldWidth> key;
  FixedText<kIniFieldWidth> value;  // the deciphered plain text after a match
};

// Result of the last Ini_ReadEntry: the matching record with its value
// deciphered, or number 0 and three empty texts.
extern IniRecord IniEntry;

// Looks up the first pair of `fileName` (system form) that matches `group`,
// `key` or `number` and leaves it in IniEntry. Null texts count as empty. A
// file that cannot be opened, or no matching pair, leaves IniEntry reset.
void Ini_ReadEntry(const char* group, const char* key, int32_t number, const char* fileName);

// Reads LOGIN, PASS and NET8 from kIniFileName into `user`, `password` and
// `service`. Each must have room for kIniLoginWidth bytes and receives at
// most 40 characters and a terminator; a value not found arrives empty. A
// null buffer is skipped.
void Ini_ReadLogin(char* user, char* password, char* service);

// Helpers shared with the zelcfg tool, so that the tool writes what the
// reader reads by the very same rules.

// One line of the file: its text without line end, whether it had one, and
// whether that line end was CR LF (so a writer can give the bytes back).
struct IniLine {
  std::string text;
  bool hasEnd = false;
  bool crlf = false;
};

// Reads the next line of `in`, however long. Returns false at the end of the
// input (no character left).
bool Ini_ReadLine(std::istream& in, IniLine& line);

// The fields of one pair, before deciphering.
struct IniPair {
  int32_t number = 0;
  std::string group;
  std::string key;
  std::string value;  // stored (enciphered) form
};

// Fields of the pair of lines `a` and `b` by the rules above.
IniPair Ini_ParsePair(const IniLine& a, const IniLine& b);

// The match rule above.
bool Ini_PairMatches(const IniPair& pair, std::string_view group, std::string_view key, int32_t number);

// The first pair of `fileName` (system form) that matches, with its value
// still enciphered: what Ini_ReadEntry deciphers, for callers that judge the
// stored value itself. False (and `out` reset) when the file cannot be
// opened or no pair matches.
bool Ini_FindPair(const char* group, const char* key, int32_t number, const char* fileName, IniPair& out);
