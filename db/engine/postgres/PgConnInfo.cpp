#include "db/engine/postgres/PgConnInfo.h"

#include <cctype>
#include <string_view>
#include <vector>

namespace zeldb {

namespace {

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// "?a=1&password=x&b=2" -> "?a=1&b=2"; "" stays "".
std::string WithoutPasswordParameter(std::string_view query) {
  if (query.empty()) return {};
  std::string kept;
  std::string_view rest = query.substr(1);
  while (true) {
    const std::size_t amp = rest.find('&');
    const std::string_view param = rest.substr(0, amp);
    if (param.substr(0, param.find('=')) != "password" && !param.empty()) {
      kept += kept.empty() ? "?" : "&";
      kept += param;
    }
    if (amp == std::string_view::npos) break;
    rest.remove_prefix(amp + 1);
  }
  return kept;
}

std::string ShownUri(std::string_view uri, std::size_t afterScheme) {
  std::string shown(uri.substr(0, afterScheme));
  std::string_view rest = uri.substr(afterScheme);
  const std::size_t queryAt = rest.find('?');
  const std::string_view query = queryAt == std::string_view::npos ? std::string_view() : rest.substr(queryAt);
  rest = rest.substr(0, queryAt);
  const std::string_view authority = rest.substr(0, rest.find('/'));
  const std::size_t at = authority.rfind('@');
  if (at != std::string_view::npos) {
    const std::string_view user = authority.substr(0, at);
    shown += user.substr(0, user.find(':'));
    rest.remove_prefix(at);
  }
  shown += rest;
  return shown + WithoutPasswordParameter(query);
}

// Key=value pairs, each copied as it stands (quotes and escapes included)
// unless its key is "password", joined by one blank.
std::string ShownPairs(std::string_view text) {
  std::string shown;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsSpace(text[i])) ++i;
    if (i >= text.size()) break;
    const std::size_t start = i;
    while (i < text.size() && text[i] != '=' && !IsSpace(text[i])) ++i;
    const std::string_view key = text.substr(start, i - start);
    while (i < text.size() && IsSpace(text[i])) ++i;
    if (i < text.size() && text[i] == '=') {
      ++i;
      while (i < text.size() && IsSpace(text[i])) ++i;
      const bool quoted = i < text.size() && text[i] == '\'';
      if (quoted) ++i;
      while (i < text.size()) {
        if (text[i] == '\\' && i + 1 < text.size()) {
          i += 2;
          continue;
        }
        if (quoted ? text[i] == '\'' : IsSpace(text[i])) break;
        ++i;
      }
      if (quoted && i < text.size()) ++i;  // the closing quote
    }
    if (key == "password") continue;
    if (!shown.empty()) shown += ' ';
    shown += text.substr(start, i - start);
  }
  return shown;
}

}  // namespace

bool Pg_IsConnectString(const std::string& service) {
  return service.rfind("postgresql://", 0) == 0 || service.rfind("postgres://", 0) == 0 ||
         service.find('=') != std::string::npos;
}

std::string Pg_ShownConnectString(const std::string& conninfo) {
  for (const char* scheme : {"postgresql://", "postgres://"}) {
    const std::string_view s(scheme);
    if (conninfo.compare(0, s.size(), s) == 0) return ShownUri(conninfo, s.size());
  }
  return ShownPairs(conninfo);
}

}  // namespace zeldb
