#include "db/server/postgres/PgStatus.h"

#include <cstring>
#include <string>

#include "util/OraStatus.h"

namespace zeldb {
namespace {

bool Contains(const char* s, const char* part) { return s && std::strstr(s, part) != nullptr; }

}  // namespace

int32_t Pg_MapSqlState(const char* s) {
  if (!s) return ora::kNotConnected;  // no answer from the server at all
  const std::string state(s);
  if (state == "23505") return ora::kUniqueViolated;
  if (state == "23502") return ora::kNullMandatory;
  if (state == "23514") return ora::kCheckViolated;
  if (state == "22001") return ora::kValueTooLarge;
  if (state == "22003") return ora::kNumberOverflow;
  if (state == "22007" || state == "22008") return ora::kDateFormat;
  if (state == "42P01" || state == "3F000") return ora::kTableMissing;
  if (state == "42703") return ora::kInvalidIdentifier;
  if (state == "42601" || state == "42883") return ora::kInvalidSql;
  if (state == "55P03" || state == "57014" || state == "40P01" || state == "40001") return ora::kBusy;
  if (state == "42501" || state == "25006") return ora::kNoPrivilege;
  if (state == "28P01" || state == "28000") return ora::kBadLogin;
  if (state == "3D000") return ora::kServiceUnknown;
  if (state == "53100") return ora::kNoSpace;
  if (state.rfind("08", 0) == 0 || state.rfind("57P", 0) == 0) return ora::kNotConnected;
  if (state.rfind("58", 0) == 0) return ora::kIoError;
  if (state == "XX001" || state == "XX002") return ora::kCorrupt;
  return ora::kInternal;
}

int32_t Pg_MapConnectFailure(const char* message) {
  if (Contains(message, "password authentication failed") || Contains(message, "no password supplied") ||
      (Contains(message, "role") && Contains(message, "does not exist")) ||
      Contains(message, "authentication failed"))
    return ora::kBadLogin;
  return ora::kServiceUnknown;
}

}  // namespace zeldb
