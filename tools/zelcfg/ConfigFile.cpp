#include "tools/zelcfg/ConfigFile.h"

#include <sstream>

#include "config/Idea.h"
#include "config/Ini.h"

namespace {

constexpr const char* kNewLineA = ";DB;";

// Numbers of added records. They are not 0, so that a reader that still lets
// the number 0 match every lookup cannot mistake one record for another.
int32_t DefaultNumber(const std::string& key) {
  if (key == "LOGIN") return 1;
  if (key == "PASS") return 2;
  if (key == "NET8") return 3;
  return 9;
}

std::string RecordLineB(int32_t number, const LoginValue& v) {
  return std::to_string(number) + ";" + v.key + ";" + Idea_Encipher(v.plain, kIniCipherKey, kIdeaFormDigits);
}

}  // namespace

std::string UpdateLoginRecords(std::string_view content, const std::vector<LoginValue>& values) {
  std::vector<IniLine> lines;
  {
    std::istringstream in{std::string(content)};
    IniLine line;
    while (Ini_ReadLine(in, line)) lines.push_back(line);
  }
  bool crlf = true;  // the system writes its text files with CR LF
  for (const IniLine& line : lines) {
    if (line.hasEnd) {
      crlf = line.crlf;
      break;
    }
  }

  for (const LoginValue& v : values) {
    const std::size_t pairs = lines.size() / 2;
    bool updated = false;
    for (std::size_t i = 0; i < pairs && !updated; ++i) {
      IniLine& b = lines[2 * i + 1];
      const IniPair pair = Ini_ParsePair(lines[2 * i], b);
      if (!Ini_PairMatches(pair, "", v.key, 0)) continue;
      b.text = RecordLineB(pair.number != 0 ? pair.number : DefaultNumber(v.key), v);
      updated = true;
    }
    if (updated) continue;

    // Added before an unpaired last line: after it, that line would become
    // line A of the new record and shift the new pair by one.
    const std::size_t at = 2 * pairs;
    if (at > 0 && !lines[at - 1].hasEnd) {
      lines[at - 1].hasEnd = true;
      lines[at - 1].crlf = crlf;
    }
    const IniLine a{kNewLineA, true, crlf};
    const IniLine b{RecordLineB(DefaultNumber(v.key), v), true, crlf};
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), {a, b});
  }

  std::string out;
  for (const IniLine& line : lines) {
    out += line.text;
    if (line.hasEnd) out += line.crlf ? "\r\n" : "\n";
  }
  return out;
}
