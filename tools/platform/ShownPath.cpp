#include "tools/platform/ShownPath.h"

#include <filesystem>
#include <system_error>

std::string Plat_ShownPath(std::string_view nativePath) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(nativePath), ec);
  if (ec) return std::string(nativePath);
  const std::filesystem::path normal = absolute.lexically_normal();
  std::string shown = normal.string();
  // "/a/b/" names the directory b; the message shows it as "/a/b". A root
  // ("/", "C:\") keeps its separator.
  if (normal.has_relative_path() && !shown.empty() && shown.back() == std::filesystem::path::preferred_separator) {
    shown.pop_back();
  }
  return shown;
}
