#include "db/engine/odbc/OdbcConnString.h"

#include <cctype>
#include <vector>

namespace zeldb {
namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// The attributes "key=value" of a connection string as written, each with
// its separator left out. A value in braces runs to its closing brace ("}}"
// inside stands for one '}') and may hold ';'.
std::vector<std::string_view> Attributes(std::string_view s) {
  std::vector<std::string_view> out;
  size_t start = 0, i = 0;
  while (i < s.size()) {
    if (s[i] == '{' && i > 0 && Trimmed(s.substr(start, i - start)).back() == '=') {
      for (++i; i < s.size(); ++i) {
        if (s[i] != '}') continue;
        if (i + 1 < s.size() && s[i + 1] == '}') { ++i; continue; }
        break;
      }
      if (i < s.size()) ++i;
      continue;
    }
    if (s[i] == ';') {
      out.push_back(s.substr(start, i - start));
      start = i + 1;
    }
    ++i;
  }
  if (start < s.size()) out.push_back(s.substr(start));
  return out;
}

}  // namespace

bool Odbc_IsDataSource(const std::string& service) {
  return service.size() >= 4 && EqualsNoCase(std::string_view(service).substr(0, 4), "DSN=");
}

std::string Odbc_AttributeValue(std::string_view value) {
  const bool braces = value.find_first_of(";{}") != std::string_view::npos ||
                      (!value.empty() && (std::isspace(static_cast<unsigned char>(value.front())) ||
                                          std::isspace(static_cast<unsigned char>(value.back()))));
  if (!braces) return std::string(value);
  std::string quoted = "{";
  for (char c : value) {
    quoted += c;
    if (c == '}') quoted += '}';
  }
  return quoted + "}";
}

std::string Odbc_ConnectString(const std::string& service, const std::string& user, const std::string& password) {
  std::string s = service;
  const auto add = [&s](const char* key, const std::string& value) {
    if (value.empty()) return;
    if (!s.empty() && s.back() != ';') s += ';';
    s.append(key).append("=").append(Odbc_AttributeValue(value));
  };
  add("UID", user);
  add("PWD", password);
  return s;
}

std::string Odbc_ShownConnectString(const std::string& service) {
  std::string shown;
  for (std::string_view attribute : Attributes(service)) {
    const std::string_view key = Trimmed(attribute.substr(0, attribute.find('=')));
    if (EqualsNoCase(key, "PWD") || EqualsNoCase(key, "PASSWORD")) continue;
    if (!shown.empty()) shown += ';';
    shown += attribute;
  }
  return shown;
}

}  // namespace zeldb
