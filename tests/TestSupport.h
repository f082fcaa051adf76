// Helpers shared by the test suites: temporary directories, files and
// running the real programs as processes, on every platform the tests run
// on (test code in a forked child is in ChildProcess.h, Linux only).
#pragma once

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tools/platform/ChildProgram.h"

namespace zeltest {

namespace fs = std::filesystem;

// A fresh directory below the system's temporary directory, removed with
// everything in it when the object goes out of scope.
class TempDir {
 public:
  // Named by this process's number and a count; a name that exists already
  // (left by an earlier process of the same number) is passed over. Only
  // the owner may enter it, where the system has such rights.
  TempDir() {
    static int made = 0;
    const fs::path base = fs::temp_directory_path();
    for (int tries = 0; tries < 1000 && path_.empty(); ++tries) {
      const fs::path p = base / ("zeltest-" + std::to_string(Plat_ProcessId()) + "-" + std::to_string(++made));
      std::error_code ec;
      if (fs::create_directory(p, ec)) {
        fs::permissions(p, fs::perms::owner_all, fs::perm_options::replace, ec);
        path_ = p;
      }
    }
  }
  ~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const fs::path& path() const { return path_; }
  std::string str() const { return path_.string(); }
  fs::path operator/(const std::string& rel) const { return path_ / rel; }

 private:
  fs::path path_;
};

inline std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const fs::path& p, const std::string& content) {
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << content;
}

// Path of a program built by this project (zelwrkjob, zelcfg, ...), with
// the system's suffix of programs (".exe" on Windows). The variable
// ZEL_TEST_PROGRAM_<NAME> (the name in capitals) names a program to start
// in its place: scripts/test runs the job tests of the Linux build so with
// the Windows zelwrkjob.exe under Wine (ZEL_TEST_PROGRAM_ZELWRKJOB, a
// wrapper script) and its zeldnlstd.exe (ZEL_TEST_PROGRAM_ZELDNLSTD).
inline std::string Program(const std::string& name) {
  std::string variable = "ZEL_TEST_PROGRAM_";
  for (const char c : name) variable += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (const char* instead = std::getenv(variable.c_str()); instead && *instead) return instead;
  return std::string(ZEL_BIN_DIR) + "/" + name + ZEL_EXE_SUFFIX;
}

struct ProcessResult {
  int exitCode = -1;   // exit status, or -1 when the process did not exit normally
  std::string output;  // standard output and standard error together
};

// Runs `argv` in `cwd` with `input` on standard input and waits for it.
inline ProcessResult RunProcess(const std::vector<std::string>& argv, const fs::path& cwd,
                                const std::string& input = "") {
  const PlatExit e = Plat_Run({argv, cwd.string(), input, PlatOutput::Capture, ""});
  return {e.exitCode, e.output};
}

// Waits up to `timeout` for `p` to exist (for detached programs).
inline bool WaitForFile(const fs::path& p, std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (fs::exists(p)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return fs::exists(p);
}

// The message log's entries as "function|message|code".
inline std::vector<std::string> EntriesOf(const std::string& log) {
  std::vector<std::string> out;
  std::string function, message;
  size_t pos = 0;
  while (pos < log.size()) {
    size_t end = log.find("\r\n", pos);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(pos, end - pos);
    if (line.rfind("Message____: ", 0) == 0) message = line.substr(13);
    if (line.rfind("Funktion___: ", 0) == 0) function = line.substr(13);
    if (line.rfind("ErrorCode__: ", 0) == 0) out.push_back(function + "|" + message + "|" + line.substr(13));
    pos = end + 2;
  }
  return out;
}

// A text of exactly `chars` characters that takes many more bytes: `start`
// (its first `chars` characters), then German letters of two and three bytes
// and a character of four bytes, over and over. Texts as wide as their
// column are written with it.
inline std::string WideText(const std::string& start, size_t chars) {
  static const char* const kFill[] = {"ä", "ö", "ü", "ß", "Ä", "Ö", "Ü", "ẞ", "é", "𝔊"};
  std::string out;
  size_t n = 0;
  for (size_t i = 0; i < start.size(); ++i) {
    const bool continues = (static_cast<unsigned char>(start[i]) & 0xC0) == 0x80;
    if (!continues && n == chars) break;
    if (!continues) ++n;
    out += start[i];
  }
  for (size_t i = 0; n < chars; ++i, ++n) out += kFill[i % (sizeof kFill / sizeof kFill[0])];
  return out;
}

// The lines of a CR LF text without their line ends.
inline std::vector<std::string> CrLfLines(const std::string& text) {
  std::vector<std::string> out;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) {
      out.push_back(text.substr(pos) + "<no CR LF>");
      break;
    }
    out.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  return out;
}

}  // namespace zeltest
