#include "platform/Path.h"

#include <filesystem>
#include <system_error>

std::string Plat_NativePath(std::string_view systemPath) {
  std::string native(systemPath);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

std::string Plat_ShownPath(std::string_view nativePath) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(nativePath), ec);
  if (ec) return std::string(nativePath);
  std::string shown = absolute.lexically_normal().string();
  // "/a/b/" names the directory b; the message shows it as "/a/b".
  if (shown.size() > 1 && shown.back() == '/') shown.pop_back();
  return shown;
}
