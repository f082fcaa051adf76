#include "config/Ini.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <limits>
#include <utility>

#include "config/Idea.h"
#include "platform/Path.h"

IniRecord IniEntry{};

namespace {

// The one form in which a line end is kept inside a field, whatever the file
// used, so a value reads the same from a CR LF file and from an LF file.
constexpr const char* kKeptLineEnd = "\n";

void ResetEntry() {
  IniEntry.number = 0;
  IniEntry.group.clear();
  IniEntry.key.clear();
  IniEntry.value.clear();
}

struct Separators {
  std::size_t p1 = std::string::npos;
  std::size_t p2 = std::string::npos;  // == p1 when the line holds one ';'
};

Separators FindSeparators(std::string_view text) {
  Separators s;
  s.p1 = text.find(';');
  if (s.p1 == std::string::npos) return s;
  s.p2 = text.find(';', s.p1 + 1);
  if (s.p2 == std::string::npos) s.p2 = s.p1;
  return s;
}

// Group of line A, key of line B.
std::string MiddleField(const IniLine& line, const Separators& s) {
  if (s.p1 == std::string::npos || s.p2 == s.p1) return {};
  if (s.p2 == s.p1 + 1) return line.text.substr(s.p2) + (line.hasEnd ? kKeptLineEnd : "");
  return line.text.substr(s.p1 + 1, s.p2 - s.p1 - 1);
}

// strtol-like, held to the 32-bit range instead of overflowing.
int32_t ParseNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = std::min(value * 10 + (text[i] - '0'), kLimit);
  }
  if (negative) return static_cast<int32_t>(-value);
  return static_cast<int32_t>(std::min<int64_t>(value, std::numeric_limits<int32_t>::max()));
}

}  // namespace

bool Ini_ReadLine(std::istream& in, IniLine& line) {
  line = IniLine{};
  if (!std::getline(in, line.text)) return false;
  line.hasEnd = !in.eof();
  if (line.hasEnd && !line.text.empty() && line.text.back() == '\r') {
    line.text.pop_back();
    line.crlf = true;
  }
  return true;
}

IniPair Ini_ParsePair(const IniLine& a, const IniLine& b) {
  IniPair pair;
  pair.group = MiddleField(a, FindSeparators(a.text));

  const Separators s = FindSeparators(b.text);
  if (s.p1 == std::string::npos) {
    // No number and no key: such a line never answers a key lookup.
    pair.value = b.text + (b.hasEnd ? kKeptLineEnd : "");
    return pair;
  }
  pair.number = ParseNumber(std::string_view(b.text).substr(0, s.p1));
  pair.key = MiddleField(b, s);
  pair.value = b.text.substr(s.p2 + 1);
  if (pair.value.empty() && b.hasEnd) pair.value = std::string(kKeptLineEnd);
  return pair;
}

bool Ini_PairMatches(const IniPair& pair, std::string_view group, std::string_view key, int32_t number) {
  // An empty group or key and the number 0 are "not given": otherwise every
  // pair with an empty group or a number 0 would answer every lookup.
  return (!key.empty() && pair.key == key) || (!group.empty() && pair.group == group) ||
         (number != 0 && pair.number == number);
}

bool Ini_FindPair(const char* group, const char* key, int32_t number, const char* fileName, IniPair& out) {
  out = IniPair{};
  if (fileName == nullptr) return false;
  std::ifstream in(Plat_NativePath(fileName), std::ios::binary);
  if (!in) return false;
  const std::string_view wantGroup = group ? group : "";
  const std::string_view wantKey = key ? key : "";

  IniLine a, b;
  for (;;) {
    Ini_ReadLine(in, a);
    if (!Ini_ReadLine(in, b)) return false;
    IniPair pair = Ini_ParsePair(a, b);
    if (!Ini_PairMatches(pair, wantGroup, wantKey, number)) continue;
    out = std::move(pair);
    return true;
  }
}

void Ini_ReadEntry(const char* group, const char* key, int32_t number, const char* fileName) {
  ResetEntry();
  IniPair pair;
  if (!Ini_FindPair(group, key, number, fileName, pair)) return;
  IniEntry.number = pair.number;
  IniEntry.group.set(pair.group);
  IniEntry.key.set(pair.key);
  IniEntry.value.set(Idea_Decipher(pair.value, kIniCipherKey, kIdeaFormDigits));
}

void Ini_ReadLogin(char* user, char* password, char* service) {
  // One pass over the file per key, as Ini_ReadEntry reads: three reads of
  // a file of a few lines, once per run, cost nothing worth a second reader.
  auto readInto = [](const char* key, char* out) {
    Ini_ReadEntry("", key, 0, kIniFileName);
    if (out == nullptr) return;
    const std::string_view value = IniEntry.value.view();
    const std::size_t n = std::min(value.size(), kIniLoginWidth - 1);
    std::memcpy(out, value.data(), n);
    out[n] = '\0';
  };
  readInto("LOGIN", user);
  readInto("PASS", password);
  readInto("NET8", service);
}
