// Helpers shared by the test suites: temporary directories, files, and
// running the real programs as processes.
#pragma once

#include <sys/wait.h>
#include <csignal>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace zeltest {

namespace fs = std::filesystem;

// A fresh directory below the system's temporary directory, removed with
// everything in it when the object goes out of scope.
class TempDir {
 public:
  TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "zeltest-XXXXXX").string();
    char* made = ::mkdtemp(tmpl.data());
    path_ = made ? fs::path(made) : fs::path();
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

// Path of a program built by this project (zelwrkjob, zelcfg, ...).
inline std::string Program(const std::string& name) { return std::string(ZEL_BIN_DIR) + "/" + name; }

struct ProcessResult {
  int exitCode = -1;   // exit status, or -1 when the process did not exit normally
  std::string output;  // standard output and standard error together
};

// Runs `argv` in `cwd` with `input` on standard input and waits for it.
inline ProcessResult RunProcess(const std::vector<std::string>& argv, const fs::path& cwd,
                                const std::string& input = "") {
  ProcessResult result;
  int inPipe[2], outPipe[2];
  if (::pipe(inPipe) != 0 || ::pipe(outPipe) != 0) return result;
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(inPipe[0], 0);
    ::dup2(outPipe[1], 1);
    ::dup2(outPipe[1], 2);
    ::close(inPipe[0]); ::close(inPipe[1]); ::close(outPipe[0]); ::close(outPipe[1]);
    if (::chdir(cwd.c_str()) != 0) ::_exit(126);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ::close(inPipe[0]);
  ::close(outPipe[1]);
  // A program that exits without reading its input must not kill the test
  // with SIGPIPE.
  ::signal(SIGPIPE, SIG_IGN);
  if (!input.empty()) {
    ssize_t ignored = ::write(inPipe[1], input.data(), input.size());
    (void)ignored;
  }
  ::close(inPipe[1]);
  char buf[4096];
  ssize_t n;
  while ((n = ::read(outPipe[0], buf, sizeof buf)) > 0) result.output.append(buf, static_cast<size_t>(n));
  ::close(outPipe[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
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
