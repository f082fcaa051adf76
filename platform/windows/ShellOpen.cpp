#include "platform/ShellOpen.h"

#include <windows.h>

#include <cstdlib>
#include <string>
#include <string_view>

namespace {
bool IsFile(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
}  // namespace

std::string Plat_FindOnSearchPath(std::string_view name) {
  const char* searchPath = std::getenv("PATH");
  std::string_view rest = searchPath ? searchPath : "";
  while (!rest.empty()) {
    const std::size_t semicolon = rest.find(';');
    std::string_view dir = rest.substr(0, semicolon);
    rest = semicolon == std::string_view::npos ? std::string_view() : rest.substr(semicolon + 1);
    if (dir.size() >= 2 && dir.front() == '"' && dir.back() == '"') dir = dir.substr(1, dir.size() - 2);
    // An empty entry is the working directory. Built by appending: g++ 12
    // warns of a false overlap when a short text is assigned or summed here.
    std::string candidate;
    candidate.append(dir.empty() ? std::string_view(".") : dir);
    if (candidate.back() != '\\' && candidate.back() != '/') candidate.push_back('\\');
    candidate.append(name);
    if (IsFile(candidate)) return candidate;
  }
  return {};
}

// The working directory first, then the search path, as on POSIX. The
// shell's own search would also look in the directory of this program and
// in the system's directories; the job looks where an installation puts the
// download program and nowhere else. A name with a directory is taken as it
// stands.
std::string Plat_FindProgram(std::string_view file) {
  const std::string name(file);
  if (name.empty()) return {};
  if (name.find_first_of("\\/:") != std::string::npos) return IsFile(name) ? name : std::string();
  std::string local;
  local.append(".\\").append(name);
  if (IsFile(local)) return local;
  return Plat_FindOnSearchPath(name);
}

bool Plat_ShellOpen(const char* file, const char* parameters) {
  const std::string path = Plat_FindProgram(file ? file : "");
  if (path.empty()) return false;
  // As the shell's "open" of a program starts it: the parameters as they
  // stand after the quoted path, hidden, with a console of its own, in this
  // process's working directory, holding none of this process's handles;
  // nothing waits for it. A file name holds no quote.
  std::string commandLine;
  commandLine.append("\"").append(path).append("\"");
  if (parameters && *parameters) commandLine.append(" ").append(parameters);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION info{};
  // Out of the job object that zelrun runs the job in, which kills what is
  // left in it when zelrun ends: the download program goes on talking to the
  // terminals after the job has ended. A job that forbids leaving it (one a
  // site's own starter made) refuses the flag with ERROR_ACCESS_DENIED: the
  // program is then started inside it, since the job must start it in any
  // case. (zelrun makes no job of its own inside such a job, so that the
  // program does not end with zelrun.)
  const auto start = [&](DWORD flags) {
    return ::CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                            &startup, &info) != 0;
  };
  const bool started = start(CREATE_NEW_CONSOLE | CREATE_BREAKAWAY_FROM_JOB) ||
                       (::GetLastError() == ERROR_ACCESS_DENIED && start(CREATE_NEW_CONSOLE));
  if (!started) return false;
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  return true;
}
