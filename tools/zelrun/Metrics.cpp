#include "tools/zelrun/Metrics.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

#include "platform/Clock.h"
#include "tools/platform/ReplaceFile.h"
#include "tools/platform/RunLock.h"
#include "tools/platform/ShownPath.h"

namespace {

constexpr const char* kLetters = "AUSL";

// How every file zelrun writes begins: the first family's HELP line.
constexpr const char* kFirstLine = "# HELP zelrun_";

// How long a run waits for another zelrun to finish its write of the file.
constexpr double kLockWaitSeconds = 10;

enum Family {
  kLastRun,
  kLastSuccess,
  kDuration,
  kExitCode,
  kChangeLines,
  kFailureEntries,
  kSectionEnded,
  kFamilies
};

struct FamilyText {
  const char* name;
  const char* help;
};

constexpr std::array<FamilyText, kFamilies> kFamilyTexts{{
    {"zelrun_last_run_timestamp_seconds", "When the last run of the letter ended, in Unix seconds."},
    {"zelrun_last_success_timestamp_seconds",
     "When the last clean run (exit code 0) of the letter ended, in Unix seconds; 0 when none is known."},
    {"zelrun_last_run_duration_seconds", "How long zelwrkjob ran in the last run of the letter; 0 when it did not start."},
    {"zelrun_last_run_exit_code",
     "zelrun's exit code of the last run of the letter: 0 clean, 3 pre-check failed, 4 lock held, "
     "5 failure entries, 6 unfinished."},
    {"zelrun_last_run_change_lines", "Change lines the last run of the letter wrote to the job log."},
    {"zelrun_last_run_failure_entries", "Entries the last run of the letter wrote to the message log."},
    {"zelrun_last_run_section_ended", "1 when no job-log section of the last run of the letter stayed open, else 0."},
}};

// The samples of one letter; a family the old file did not hold stays empty.
using Samples = std::array<std::optional<double>, kFamilies>;

// A sample as zelrun writes it: `name{letter="X"} value`, X one of the
// letters, the value a finite number. Anything else gives false.
bool ParseSample(std::string_view line, int& family, char& letter, double& value) {
  const std::size_t brace = line.find('{');
  if (brace == std::string_view::npos) return false;
  const std::string_view name = line.substr(0, brace);
  family = kFamilies;
  for (int f = 0; f < kFamilies; ++f) {
    if (name == kFamilyTexts[static_cast<std::size_t>(f)].name) family = f;
  }
  constexpr std::string_view kLabel = "{letter=\"";
  std::string_view rest = line.substr(brace);
  if (family == kFamilies || rest.substr(0, kLabel.size()) != kLabel) return false;
  rest.remove_prefix(kLabel.size());
  if (rest.size() < 4 || std::string_view(kLetters).find(rest[0]) == std::string_view::npos ||
      rest.substr(1, 3) != "\"} ") {
    return false;
  }
  letter = rest[0];
  const std::string number(rest.substr(4));
  if (number.empty() || number.find_first_not_of("0123456789.eE+-") != std::string::npos) return false;
  char* end = nullptr;
  value = std::strtod(number.c_str(), &end);
  return end == number.c_str() + number.size() && std::isfinite(value);
}

std::map<char, Samples> ParseFile(std::string_view text) {
  std::map<char, Samples> samples;
  while (!text.empty()) {
    const std::size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    int family;
    char letter;
    double value;
    if (ParseSample(line, family, letter, value)) samples[letter][static_cast<std::size_t>(family)] = value;
  }
  return samples;
}

// Whole numbers without a fraction, others to the millisecond.
std::string Number(double value) {
  char buffer[64];
  if (value == std::floor(value) && std::fabs(value) < 1e15) {
    std::snprintf(buffer, sizeof buffer, "%.0f", value);
    return buffer;
  }
  std::snprintf(buffer, sizeof buffer, "%.3f", value);
  std::string text = buffer;
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
  return text == "-0" ? "0" : text;
}

}  // namespace

std::string Metrics_Render(const RunSummary& s, std::time_t now, std::string_view existing) {
  std::map<char, Samples> letters = ParseFile(existing);
  Samples& own = letters[s.letter];
  const std::optional<double> lastSuccess = own[kLastSuccess];
  own = Samples{};
  own[kLastRun] = static_cast<double>(now);
  own[kLastSuccess] = s.exitCode == 0 ? static_cast<double>(now) : lastSuccess.value_or(0);
  own[kDuration] = s.seconds < 0 ? 0 : s.seconds;
  own[kExitCode] = s.exitCode;
  own[kChangeLines] = s.changeLines;
  own[kFailureEntries] = static_cast<double>(s.failures.size());
  own[kSectionEnded] = s.sectionEnded ? 1 : 0;

  // Each family once, its HELP and TYPE first, then its samples in the
  // letters' order.
  std::string out;
  for (std::size_t f = 0; f < kFamilies; ++f) {
    const FamilyText& family = kFamilyTexts[f];
    out.append("# HELP ").append(family.name).append(" ").append(family.help).append("\n");
    out.append("# TYPE ").append(family.name).append(" gauge\n");
    for (const char* l = kLetters; *l; ++l) {
      const auto found = letters.find(*l);
      if (found == letters.end() || !found->second[f]) continue;
      out.append(family.name).append("{letter=\"").append(1, *l).append("\"} ");
      out.append(Number(*found->second[f])).append("\n");
    }
  }
  return out;
}

std::string Metrics_Write(const std::string& path, const RunSummary& s) {
  // Without the lock (its folder missing, or a writer that hangs) the file
  // is still written: a lost letter is rarer than a missing update.
  int lock = -1;
  Plat_RunLockAcquire(path + ".lock", kLockWaitSeconds, lock);
  // The other letters' samples come from the file as it is: one that is
  // there but cannot be read is left alone rather than replaced without them.
  std::string existing;
  std::string failure;
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) {
    std::ifstream in(path, std::ios::binary);
    existing.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) failure = "cannot read " + Plat_ShownPath(path);
  } else if (ec) {
    failure = "cannot read " + Plat_ShownPath(path) + ": " + ec.message();
  }
  // A file that zelrun did not write (a mistyped path: the configuration,
  // the database, another program's metrics) is never replaced. An empty
  // one is taken: a site may make it first to give it its rights.
  if (failure.empty() && !existing.empty() && existing.rfind(kFirstLine, 0) != 0) {
    failure = "not a metrics file of zelrun, left as it is: " + Plat_ShownPath(path);
  }
  if (failure.empty()) {
    failure = Plat_ReplaceFileAtomically(path, Metrics_Render(s, Plat_Now(), existing),
                                         PlatNewFileAccess::ReadableByAll);
  }
  Plat_RunLockRelease(lock);
  return failure;
}
