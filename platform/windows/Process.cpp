#include "platform/Process.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>
#include <string_view>

namespace {
bool IsFile(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The working directory first, then the search path, as on POSIX. The
// shell's own search would also look in the directory of this program and
// in the system's directories; the job looks where an installation puts the
// download program and nowhere else. A name with a directory is taken as it
// stands.
std::string FindProgram(const std::string& name) {
  if (name.empty()) return {};
  if (name.find_first_of("\\/:") != std::string::npos) return IsFile(name) ? name : std::string();
  if (IsFile(".\\" + name)) return ".\\" + name;
  const char* searchPath = std::getenv("PATH");
  std::string_view rest = searchPath ? searchPath : "";
  while (!rest.empty()) {
    const std::size_t semicolon = rest.find(';');
    std::string dir(rest.substr(0, semicolon));
    rest = semicolon == std::string_view::npos ? std::string_view() : rest.substr(semicolon + 1);
    if (dir.size() >= 2 && dir.front() == '"' && dir.back() == '"') dir = dir.substr(1, dir.size() - 2);
    if (dir.empty()) continue;
    if (dir.back() != '\\' && dir.back() != '/') dir += '\\';
    if (IsFile(dir + name)) return dir + name;
  }
  return {};
}
}  // namespace

bool Plat_ShellOpen(const char* file, const char* parameters) {
  const std::string path = FindProgram(file ? file : "");
  if (path.empty()) return false;
  // The shell's "open" of a program: it runs on by itself, hidden, in this
  // process's working directory; nothing waits for it.
  const HINSTANCE result = ::ShellExecuteA(nullptr, "open", path.c_str(), parameters, nullptr, SW_HIDE);
  return reinterpret_cast<INT_PTR>(result) > 32;
}
