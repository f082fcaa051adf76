#include "platform/Path.h"

std::string Plat_NativePath(std::string_view systemPath) {
  std::string native(systemPath);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}
