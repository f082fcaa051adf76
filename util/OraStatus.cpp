#include "util/OraStatus.h"

namespace {

struct StatusMeaning {
  int32_t status;
  const char* meaning;
};

// Every status of the module and what it means. Where a status has more
// than one cause, the comment names the ones the engines map to it.
constexpr StatusMeaning kMeanings[] = {
    {ora::kOk, "statement done"},
    // A single-row read found none, a fetch found no further row, an update
    // or delete matched no row.
    {ora::kNoRow, "no row"},
    {ora::kUniqueViolated, "duplicate key"},
    // Held beyond the engine's bounded wait.
    {ora::kBusy, "locked by another program"},
    {ora::kInvalidSql, "statement not valid SQL for the engine"},
    {ora::kInvalidIdentifier, "column does not exist"},
    {ora::kTableMissing, "table or view does not exist"},
    // A fetch or close of a cursor that is not open.
    {ora::kInvalidCursor, "invalid cursor"},
    // A statement text and its host variables disagree.
    {ora::kNotAllBound, "not all variables bound"},
    {ora::kBadLogin, "wrong user name or password"},
    // The database opened read-only, a file not writable, a role without rights.
    {ora::kNoPrivilege, "insufficient privileges"},
    // The file is not a database.
    {ora::kNotADatabase, "database cannot be used"},
    {ora::kIoError, "input/output error on the database file"},
    {ora::kNullMandatory, "NULL into a mandatory column"},
    {ora::kTooManyRows, "single-row read found more than one row"},
    {ora::kNumberOverflow, "number does not fit its host variable"},
    {ora::kCorrupt, "database damaged"},
    // The disk or the file size limit is full.
    {ora::kNoSpace, "no room to extend a table"},
    {ora::kUnknownDateFormat, "unknown date format"},
    // 'yyyymmdd' or 'yyyymmddHH24MISS'.
    {ora::kDateFormat, "date text does not match its format"},
    // A commit that could not commit.
    {ora::kRolledBack, "transaction rolled back"},
    {ora::kCheckViolated, "check constraint violated"},
    {ora::kNotConnected, "not connected to the database"},
    {ora::kServiceUnknown, "database named by NET8 not found or not openable"},
    // A PostgreSQL connection string on Windows.
    {ora::kNoSuchEngine, "engine not in this build"},
    // Also a connect string over 100 characters.
    {ora::kValueTooLarge, "value too large for its column"},
    {ora::kInternal, "other database failure"},
};

}  // namespace

const char* Ora_StatusMeaning(int32_t status) {
  for (const StatusMeaning& m : kMeanings) {
    if (m.status == status) return m.meaning;
  }
  return "";
}

std::string Ora_StatusShown(int32_t status) {
  const std::string meaning = Ora_StatusMeaning(status);
  return "status " + std::to_string(status) + (meaning.empty() ? "" : ", " + meaning);
}
