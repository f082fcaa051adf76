#include "tools/platform/OwnPrograms.h"

#include <windows.h>

#include <string>
#include <string_view>

std::string Plat_OwnDirectory() {
  char buffer[MAX_PATH * 4];
  const DWORD n = ::GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  if (n == 0 || n >= sizeof buffer) return {};
  const std::string path(buffer, n);
  const std::size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

std::string Plat_ProgramFileName(std::string_view name) {
  std::string file(name);
  file += ".exe";
  return file;
}
