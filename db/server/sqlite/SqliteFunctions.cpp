#include "db/server/sqlite/SqliteFunctions.h"

#include <atomic>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "util/CivilDate.h"
#include "util/OraStatus.h"

namespace zeldb {
namespace {

struct DateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

bool Valid(const DateTime& t) {
  return IsValidDate(t.year, t.month, t.day) && t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 &&
         t.second >= 0 && t.second < 60;
}

bool Digits(std::string_view s, size_t pos, size_t n, int& out) {
  if (pos + n > s.size()) return false;
  out = 0;
  for (size_t i = pos; i < pos + n; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    out = out * 10 + (s[i] - '0');
  }
  return true;
}

enum class Format { Day, Instant, Time, Unknown };

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// 'HH24MISS' has as many letters as 'yyyymmdd': the format is told by its
// text, never by its length.
Format FormatOf(sqlite3_value* v) {
  const unsigned char* p = sqlite3_value_text(v);
  const std::string_view fmt = p ? std::string_view(reinterpret_cast<const char*>(p)) : std::string_view();
  if (EqualsNoCase(fmt, "yyyymmdd")) return Format::Day;
  if (EqualsNoCase(fmt, "yyyymmddHH24MISS")) return Format::Instant;
  if (EqualsNoCase(fmt, "HH24MISS")) return Format::Time;
  return Format::Unknown;
}

// The format argument is a literal of the statement: SQLite keeps what was
// made of it for the statement's life, so it is read once, not per row.
Format CachedFormatOf(sqlite3_context* ctx, sqlite3_value** argv) {
  static const Format kFormats[] = {Format::Day, Format::Instant, Format::Time, Format::Unknown};
  if (const void* known = sqlite3_get_auxdata(ctx, 1)) return *static_cast<const Format*>(known);
  const Format fmt = FormatOf(argv[1]);
  sqlite3_set_auxdata(ctx, 1, const_cast<Format*>(&kFormats[static_cast<int>(fmt)]), nullptr);
  return fmt;
}

// Parses a 'yyyymmdd' or 'yyyymmddHH24MISS' text.
bool ParseOracleText(std::string_view s, Format fmt, DateTime& t) {
  const bool full = fmt == Format::Instant;
  if (s.size() != (full ? 14u : 8u)) return false;
  if (!Digits(s, 0, 4, t.year) || !Digits(s, 4, 2, t.month) || !Digits(s, 6, 2, t.day)) return false;
  if (full && (!Digits(s, 8, 2, t.hour) || !Digits(s, 10, 2, t.minute) || !Digits(s, 12, 2, t.second))) return false;
  return Valid(t);
}

// Parses the stored form 'YYYY-MM-DD HH:MM:SS'; a day alone 'YYYY-MM-DD' is
// taken at midnight, so rows typed in by hand still read.
bool ParseStored(std::string_view s, DateTime& t) {
  if (s.size() != 10 && s.size() != 19) return false;
  if (!Digits(s, 0, 4, t.year) || s[4] != '-' || !Digits(s, 5, 2, t.month) || s[7] != '-' || !Digits(s, 8, 2, t.day))
    return false;
  if (s.size() == 19 && ((s[10] != ' ' && s[10] != 'T') || !Digits(s, 11, 2, t.hour) || s[13] != ':' ||
                         !Digits(s, 14, 2, t.minute) || s[16] != ':' || !Digits(s, 17, 2, t.second)))
    return false;
  return Valid(t);
}

std::string Stored(const DateTime& t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return buf;
}

std::string_view Text(sqlite3_value* v) {
  const unsigned char* p = sqlite3_value_text(v);
  return p ? std::string_view(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_value_bytes(v)))
           : std::string_view();
}

bool NullOrEmpty(sqlite3_value* v) {
  return sqlite3_value_type(v) == SQLITE_NULL || (sqlite3_value_type(v) == SQLITE_TEXT && sqlite3_value_bytes(v) == 0);
}

void Fail(sqlite3_context* ctx) { sqlite3_result_error(ctx, "ORA-01861: literal does not match format string", -1); }

void SetText(sqlite3_context* ctx, const std::string& s) {
  sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// A blob, which no column of the schema holds (texts and days are text),
// beginning with a NUL, which no text holds.
constexpr char kRowFault[] = "\0ORA-01861";
constexpr int kRowFaultSize = sizeof kRowFault - 1;
// Markers handed out by this process, on any connection (see Sqlite_RowFaultsMade).
std::atomic<uint64_t> g_rowFaultsMade{0};

void BadFormat(sqlite3_context* ctx) { sqlite3_result_error(ctx, "ORA-01821: date format not recognized", -1); }

void ToDate(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const Format fmt = CachedFormatOf(ctx, argv);
  // A time of day alone names no date.
  if (fmt != Format::Day && fmt != Format::Instant) return BadFormat(ctx);
  if (NullOrEmpty(argv[0])) return sqlite3_result_null(ctx);
  DateTime t;
  if (!ParseOracleText(Text(argv[0]), fmt, t)) return Fail(ctx);
  SetText(ctx, Stored(t));
}

// The full check converts several days of every row: the digits are copied
// out of the stored text once it has been validated, with no formatting.
// Registered twice: as ora_to_char, and with user data as ora_to_char_row,
// which hands a value it cannot convert on as the row's fault.
void ToChar(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const Format fmt = CachedFormatOf(ctx, argv);
  if (fmt == Format::Unknown) return BadFormat(ctx);
  if (NullOrEmpty(argv[0])) return sqlite3_result_null(ctx);
  const std::string_view s = Text(argv[0]);
  DateTime t;
  if (!ParseStored(s, t)) {
    if (sqlite3_user_data(ctx)) {
      g_rowFaultsMade.fetch_add(1, std::memory_order_relaxed);
      return sqlite3_result_blob(ctx, kRowFault, kRowFaultSize, SQLITE_STATIC);
    }
    return Fail(ctx);
  }
  char out[14];
  size_t n = 0;
  const auto copy = [&](size_t pos, size_t len) {
    for (size_t i = 0; i < len; ++i) out[n++] = s.size() > pos ? s[pos + i] : '0';  // a day alone is at midnight
  };
  if (fmt != Format::Time) {
    copy(0, 4);
    copy(5, 2);
    copy(8, 2);
  }
  if (fmt != Format::Day) {
    copy(11, 2);
    copy(14, 2);
    copy(17, 2);
  }
  sqlite3_result_text(ctx, out, static_cast<int>(n), SQLITE_TRANSIENT);
}

void AddDays(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (NullOrEmpty(argv[0]) || sqlite3_value_type(argv[1]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  DateTime t;
  if (!ParseStored(Text(argv[0]), t)) return Fail(ctx);
  const int64_t days = DaysFromCivil(t.year, t.month, t.day) + sqlite3_value_int64(argv[1]);
  CivilFromDays(days, t.year, t.month, t.day);
  if (!Valid(t)) return Fail(ctx);
  SetText(ctx, Stored(t));
}

}  // namespace

int Sqlite_RegisterFunctions(sqlite3* db) {
  const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
  int rc = sqlite3_create_function_v2(db, "ora_to_date", 2, flags, nullptr, ToDate, nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK)
    rc = sqlite3_create_function_v2(db, "ora_to_char", 2, flags, nullptr, ToChar, nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK)
    rc = sqlite3_create_function_v2(db, "ora_to_char_row", 2, flags, const_cast<char*>(kRowFault), ToChar, nullptr,
                                    nullptr, nullptr);
  if (rc == SQLITE_OK)
    rc = sqlite3_create_function_v2(db, "ora_add_days", 2, flags, nullptr, AddDays, nullptr, nullptr, nullptr);
  return rc;
}

uint64_t Sqlite_RowFaultsMade() { return g_rowFaultsMade.load(std::memory_order_relaxed); }

int32_t Sqlite_ColumnFault(sqlite3_stmt* stmt, int column) {
  if (sqlite3_column_type(stmt, column) != SQLITE_BLOB || sqlite3_column_bytes(stmt, column) != kRowFaultSize)
    return 0;
  return std::memcmp(sqlite3_column_blob(stmt, column), kRowFault, kRowFaultSize) == 0 ? ora::kDateFormat : 0;
}

}  // namespace zeldb
