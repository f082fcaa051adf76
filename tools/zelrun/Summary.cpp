#include "tools/zelrun/Summary.h"

#include <cstdio>

namespace {

constexpr std::size_t kFailuresInText = 10;

std::string OneDecimal(double seconds) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f", seconds < 0 ? 0.0 : seconds);
  return buffer;
}

// Appends the parts one after the other (no temporaries of the whole).
template <typename... Parts>
void Append(std::string& out, const Parts&... parts) {
  (out.append(std::string_view(parts)), ...);
}

std::string Counted(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Length of the UTF-8 sequence at the start of `text`, 0 when it is not
// one (a stray continuation byte, a cut or overlong sequence, a surrogate,
// a code point above U+10FFFF).
std::size_t Utf8Length(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char b0 = byte(0);
  std::size_t n;
  unsigned min;
  unsigned cp;
  if (b0 < 0x80) return 1;
  if ((b0 & 0xE0) == 0xC0) {
    n = 2, min = 0x80, cp = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    n = 3, min = 0x800, cp = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    n = 4, min = 0x10000, cp = b0 & 0x07;
  } else {
    return 0;
  }
  if (text.size() < n) return 0;
  for (std::size_t i = 1; i < n; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(i) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

// The lines as a JSON array of strings, each without its "zelrun: " (and a
// warning's "warning: ").
std::string LinesArray(const std::vector<std::string>& lines) {
  std::string json = "[";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    for (const std::string_view prefix : {"zelrun: ", "warning: "}) {
      if (line.substr(0, prefix.size()) == prefix) line.remove_prefix(prefix.size());
    }
    Append(json, i ? "," : "", Summary_JsonString(line));
  }
  return json + "]";
}

// The letter and the arguments, the start of every object.
std::string Head(char letter, const std::vector<std::string>& args) {
  std::string json;
  Append(json, "{\"letter\":", Summary_JsonString(std::string_view(&letter, 1)), ",\"args\":[");
  for (std::size_t i = 0; i < args.size(); ++i) Append(json, i ? "," : "", Summary_JsonString(args[i]));
  return json + "]";
}

}  // namespace

std::string Summary_JsonString(std::string_view text) {
  std::string out = "\"";
  while (!text.empty()) {
    const unsigned char c = static_cast<unsigned char>(text[0]);
    const std::size_t n = Utf8Length(text);
    if (n == 0) {
      out += "\\ufffd";
      text.remove_prefix(1);
      continue;
    }
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
      out += buffer;
    } else {
      out.append(text.substr(0, n));
    }
    text.remove_prefix(n);
  }
  return out + "\"";
}

std::string Summary_Text(const RunSummary& s) {
  std::string line = "zelrun: ";
  line += s.letter;
  Append(line, " ", OneDecimal(s.seconds), " s, ",
         Counted(static_cast<std::size_t>(s.changeLines), "change line", "change lines"), ", ",
         Counted(s.failures.size(), "failure entry", "failure entries"));
  if (!s.failures.empty()) {
    line += " (";
    for (std::size_t i = 0; i < s.failures.size() && i < kFailuresInText; ++i) {
      Append(line, i > 0 ? ", " : "", s.failures[i].function, " ", std::to_string(s.failures[i].code));
    }
    if (s.failures.size() > kFailuresInText) {
      Append(line, " and ", std::to_string(s.failures.size() - kFailuresInText), " more");
    }
    line += ")";
  }
  if (!s.sectionEnded) {
    line += ", section open";
  } else if (s.sections == 0) {
    line += ", no section";
  } else {
    line += ", section ended";
  }
  if (s.otherWriter) line += ", another run wrote meanwhile";
  return line;
}

std::string Summary_Json(const RunSummary& s) {
  std::string json = Head(s.letter, s.args);
  Append(json, ",\"duration_s\":", OneDecimal(s.seconds), ",\"change_lines\":", std::to_string(s.changeLines),
         ",\"failures\":[");
  for (std::size_t i = 0; i < s.failures.size(); ++i) {
    Append(json, i ? "," : "", "{\"function\":", Summary_JsonString(s.failures[i].function), ",\"code\":",
           std::to_string(s.failures[i].code), "}");
  }
  Append(json, "],\"section_ended\":", s.sectionEnded ? "true" : "false", ",\"other_writer\":",
         s.otherWriter ? "true" : "false", ",\"warnings\":", LinesArray(s.warnings), ",\"exit_code\":",
         std::to_string(s.exitCode), "}");
  return json;
}

std::string Summary_JsonLines(const std::vector<std::string>& lines) { return LinesArray(lines); }

std::string Summary_NoRunJson(char letter, const std::vector<std::string>& args,
                              const std::vector<std::string>& problems, const std::vector<std::string>& warnings,
                              int exitCode) {
  std::string json = Head(letter, args);
  Append(json, ",\"problems\":", LinesArray(problems), ",\"warnings\":", LinesArray(warnings),
         ",\"exit_code\":", std::to_string(exitCode), "}");
  return json;
}
