#include "tools/zelcfg/SystemIo.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/platform/ShownPath.h"

namespace fs = std::filesystem;

namespace {
std::string CannotRead(const std::string& path) { return "cannot read " + Plat_ShownPath(path) + ": " + std::strerror(errno); }
}  // namespace

std::string ReadWholeFile(const std::string& path, std::string& content, bool missingIsEmpty) {
  content.clear();
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (st.type() == fs::file_type::not_found) {
    return missingIsEmpty ? std::string() : "no configuration file at " + Plat_ShownPath(path);
  }
  if (ec) return "cannot reach " + Plat_ShownPath(path) + ": " + ec.message();
  if (st.type() != fs::file_type::regular) return Plat_ShownPath(path) + " is not a regular file";
  std::ifstream in(path, std::ios::binary);
  if (!in) return CannotRead(path);
  std::ostringstream s;
  s << in.rdbuf();
  if (in.bad()) return CannotRead(path);
  content = s.str();
  return {};
}
