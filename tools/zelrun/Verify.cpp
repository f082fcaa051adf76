#include "tools/zelrun/Verify.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

#include "config/Ini.h"
#include "db/DbDb.h"
#include "db/DbstdVerify.h"
#include "db/EngineFactory.h"
#include "platform/Path.h"
#include "tools/platform/ShownPath.h"
#include "tools/zelrun/Summary.h"
#include "util/OraStatus.h"

namespace {

constexpr std::size_t kNameColumn = 20;

std::string Padded(std::string text, std::size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text + " ";
}

// The database as messages name it: a server without its password, a file by its full path.
std::string ShownDatabase() {
  char user[kIniLoginWidth] = {};
  char password[kIniLoginWidth] = {};
  char service[kIniLoginWidth] = {};
  Ini_ReadLogin(user, password, service);
  return zeldb::Engine_IsServer(service) ? zeldb::Engine_ShownServer(service)
                                         : Plat_ShownPath(Plat_NativePath(service));
}

std::string StatementLine(const zeldb::VerifiedStatement& s, bool locked) {
  std::string line = Padded(s.name, kNameColumn) + Padded(s.kind, 7);
  // A write that matched no row (its insert failed before it) has not tried its values on the table.
  if (s.ok && s.status == ora::kNoRow && std::string_view(s.kind) != "select" && std::string_view(s.kind) != "cursor")
    return line + "ok (no row matched)";
  if (s.ok) return line + "ok";
  line += std::to_string(s.status) + " " + s.message;
  if (!s.tried) {
    line += ": another session holds a lock";
  } else if (s.status == ora::kBusy && locked) {
    line += " (another session holds a lock; gave up after the bounded wait, the writes after it are not sent)";
  }
  return line;
}

std::string WidthLine(const zeldb::VerifiedWidth& w) {
  const std::string name = Padded(w.table + "." + w.column, kNameColumn);
  if (w.status != ora::kOk) return name + "width not readable: " + std::to_string(w.status) + " " + w.message;
  return name + "too narrow: " + std::to_string(w.siteWidth) + " characters at this site, " +
         std::to_string(w.recordWidth) + " in the records";
}

std::string Json(const zeldb::VerifyReport& r, int exitCode) {
  std::string json = "{\"exit_code\":" + std::to_string(exitCode) + ",\"problems\":[],\"statements\":[";
  for (std::size_t i = 0; i < r.statements.size(); ++i) {
    const zeldb::VerifiedStatement& s = r.statements[i];
    json += std::string(i ? "," : "") + "{\"name\":" + Summary_JsonString(s.name) +
            ",\"kind\":" + Summary_JsonString(s.kind) + ",\"status\":" + std::to_string(s.status) +
            ",\"ok\":" + (s.ok ? "true" : "false") + ",\"message\":" + Summary_JsonString(s.message) + "}";
  }
  json += "],\"widths\":[";
  for (std::size_t i = 0; i < r.narrow.size(); ++i) {
    const zeldb::VerifiedWidth& w = r.narrow[i];
    json += std::string(i ? "," : "") + "{\"table\":" + Summary_JsonString(w.table) +
            ",\"column\":" + Summary_JsonString(w.column) + ",\"site_width\":" + std::to_string(w.siteWidth) +
            ",\"record_width\":" + std::to_string(w.recordWidth) + ",\"status\":" + std::to_string(w.status) +
            ",\"message\":" + Summary_JsonString(w.message) + "}";
  }
  return json + "]}";
}

}  // namespace

std::string Verify_RefusedJson(const std::vector<std::string>& problems, int exitCode) {
  return "{\"exit_code\":" + std::to_string(exitCode) + ",\"problems\":" + Summary_JsonLines(problems) +
         ",\"statements\":[],\"widths\":[]}";
}

int Verify_Run(bool all, bool json, const VerifyExitCodes& codes) {
  const int32_t connected = dbConnect();
  if (connected != ora::kOk) {
    const std::string problem = "zelrun: database unreachable (" + Ora_StatusShown(connected) + "): " + ShownDatabase();
    std::cerr << problem << "\n";
    if (json) std::cout << Verify_RefusedJson({problem}, codes.unreachable) << std::endl;
    return codes.unreachable;
  }
  zeldb::VerifyReport report;
  zeldb::Dbstd_Verify(all, report);
  // Closing the session rolls back whatever the verify left pending.
  dbDisconnect();
  const int exitCode = report.Passed() ? codes.passed : codes.problems;
  if (json) {
    std::cout << Json(report, exitCode) << std::endl;
    return exitCode;
  }
  for (const zeldb::VerifiedStatement& s : report.statements) std::cout << StatementLine(s, report.locked) << "\n";
  for (const zeldb::VerifiedWidth& w : report.narrow) std::cout << WidthLine(w) << "\n";
  const int failed = report.Failed();
  const std::size_t narrow = report.narrow.size();
  std::cout << "zelrun: verify: " << report.statements.size() << " statements";
  if (report.Passed()) {
    std::cout << " ok, no column narrower than its record, nothing committed";
  } else {
    std::cout << ", " << failed << " failed, " << narrow << (narrow == 1 ? " column" : " columns")
              << " too narrow or not readable, nothing committed";
  }
  std::cout << std::endl;
  return exitCode;
}
