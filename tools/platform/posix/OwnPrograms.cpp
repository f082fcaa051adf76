#include "tools/platform/OwnPrograms.h"

#include <unistd.h>

#include <string>
#include <string_view>

std::string Plat_OwnDirectory() {
  char buffer[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  const std::string path(buffer, static_cast<std::size_t>(n));
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

std::string Plat_ProgramFileName(std::string_view name) { return std::string(name); }
