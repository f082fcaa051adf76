#include "platform/ShellOpen.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Path.h"

namespace {
bool IsProgram(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::vector<std::string> SplitAtBlanks(const char* text) {
  std::vector<std::string> words;
  std::string_view rest = text ? text : "";
  while (!rest.empty()) {
    const std::size_t start = rest.find_first_not_of(' ');
    if (start == std::string_view::npos) break;
    rest = rest.substr(start);
    const std::size_t end = rest.find(' ');
    words.emplace_back(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
  }
  return words;
}
}  // namespace

std::string Plat_FindOnSearchPath(std::string_view name) {
  const char* searchPath = std::getenv("PATH");
  std::string_view rest = searchPath ? searchPath : "";
  while (!rest.empty()) {
    const std::size_t colon = rest.find(':');
    std::string_view dir = rest.substr(0, colon);
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    const std::string candidate = (dir.empty() ? std::string(".") : std::string(dir)) + "/" + std::string(name);
    if (IsProgram(candidate)) return candidate;
  }
  return {};
}

// The working directory first, then the search path, as the shell's "open"
// finds a program named without a directory. A name with a directory is
// taken as it stands.
std::string Plat_FindProgram(std::string_view file) {
  const std::string name = Plat_NativePath(file);
  if (name.empty()) return {};
  if (name.find('/') != std::string::npos) return IsProgram(name) ? name : std::string();
  if (IsProgram("./" + name)) return "./" + name;
  return Plat_FindOnSearchPath(name);
}

bool Plat_ShellOpen(const char* file, const char* parameters) {
  const std::string path = Plat_FindProgram(file ? file : "");
  if (path.empty()) return false;

  // Everything the children need is built before fork(): after it only
  // async-signal-safe calls are allowed.
  std::vector<std::string> words = SplitAtBlanks(parameters);
  words.insert(words.begin(), std::string(file));
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);

  // The grandchild reports a failed exec through this pipe; a successful exec
  // closes it (close-on-exec) and the intermediate child reads end of file.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return false;

  const pid_t middle = ::fork();
  if (middle < 0) {
    ::close(report[0]);
    ::close(report[1]);
    return false;
  }
  if (middle == 0) {
    // Own session, and the program's parent becomes init once this child
    // exits: it outlives us, gets no terminal signals and leaves no zombie.
    ::setsid();
    const pid_t program = ::fork();
    if (program == 0) {
      ::close(report[0]);
      sigset_t none;
      sigemptyset(&none);
      ::sigprocmask(SIG_SETMASK, &none, nullptr);
      const int devNull = ::open("/dev/null", O_RDWR);
      if (devNull >= 0) {
        ::dup2(devNull, 0);
        ::dup2(devNull, 1);
        ::dup2(devNull, 2);
        if (devNull > 2) ::close(devNull);
      }
      ::execv(path.c_str(), argv.data());
      const int error = errno;
      ssize_t ignored = ::write(report[1], &error, sizeof error);
      (void)ignored;
      ::_exit(127);
    }
    ::close(report[1]);
    if (program < 0) ::_exit(1);
    int error = 0;
    ssize_t n;
    do {
      n = ::read(report[0], &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    ::_exit(n == 0 ? 0 : 1);
  }

  ::close(report[0]);
  ::close(report[1]);
  int status = 0;
  while (::waitpid(middle, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
