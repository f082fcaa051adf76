// The status numbers of the database module, as Oracle numbers them.
//
// Every engine maps its own errors to these values, so that callers and the
// message log see the same codes whatever engine runs underneath. 0 and 1403
// are outcomes; every negative value is a failure. What each one means is
// the table in util/OraStatus.cpp (Ora_StatusMeaning), the one place that
// says it.
#pragma once

#include <cstdint>
#include <string>

namespace ora {
constexpr int32_t kOk = 0;
constexpr int32_t kNoRow = 1403;
constexpr int32_t kUniqueViolated = -1;
constexpr int32_t kBusy = -54;
constexpr int32_t kInvalidSql = -900;
constexpr int32_t kInvalidIdentifier = -904;
constexpr int32_t kTableMissing = -942;
constexpr int32_t kInvalidCursor = -1001;
constexpr int32_t kNotAllBound = -1008;
constexpr int32_t kBadLogin = -1017;
constexpr int32_t kNoPrivilege = -1031;
constexpr int32_t kNotADatabase = -1034;
constexpr int32_t kIoError = -1115;
constexpr int32_t kNullMandatory = -1400;
constexpr int32_t kTooManyRows = -1422;
constexpr int32_t kNumberOverflow = -1455;
constexpr int32_t kCorrupt = -1578;
constexpr int32_t kNoSpace = -1653;
constexpr int32_t kUnknownDateFormat = -1821;
constexpr int32_t kDateFormat = -1861;
constexpr int32_t kRolledBack = -2091;
constexpr int32_t kCheckViolated = -2290;
constexpr int32_t kNotConnected = -3114;
constexpr int32_t kServiceUnknown = -12154;
constexpr int32_t kNoSuchEngine = -12538;
constexpr int32_t kValueTooLarge = -12899;
constexpr int32_t kInternal = -600;

// Callers tell three classes apart: done, no (further) row, and failure.
inline bool IsFailure(int32_t status) { return status != kOk && status != kNoRow; }
}  // namespace ora

// What `status` means, in a few words ("wrong user name or password"), for
// the lines people read; "" for a number the module does not give.
const char* Ora_StatusMeaning(int32_t status);

// "status -942, table or view does not exist" (the number alone when it has
// no meaning), as the tools show a status in their lines.
std::string Ora_StatusShown(int32_t status);
