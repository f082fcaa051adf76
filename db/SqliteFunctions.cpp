#include "db/SqliteFunctions.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace zeldb {
namespace {

struct DateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

bool Valid(const DateTime& t) {
  if (t.year < 1 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1) return false;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
  const int last = kDays[t.month - 1] + (t.month == 2 && leap ? 1 : 0);
  return t.day <= last && t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 && t.second >= 0 &&
         t.second < 60;
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

bool IsLongFormat(std::string_view fmt) { return fmt.size() == 16; }  // 'yyyymmddHH24MISS'

// Parses a 'yyyymmdd' or 'yyyymmddHH24MISS' text.
bool ParseOracleText(std::string_view s, std::string_view fmt, DateTime& t) {
  const bool full = IsLongFormat(fmt);
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

void ToDate(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (NullOrEmpty(argv[0])) return sqlite3_result_null(ctx);
  DateTime t;
  if (!ParseOracleText(Text(argv[0]), Text(argv[1]), t)) return Fail(ctx);
  SetText(ctx, Stored(t));
}

void ToChar(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (NullOrEmpty(argv[0])) return sqlite3_result_null(ctx);
  DateTime t;
  if (!ParseStored(Text(argv[0]), t)) return Fail(ctx);
  char buf[32];
  if (IsLongFormat(Text(argv[1])))
    std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  else
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", t.year, t.month, t.day);
  SetText(ctx, buf);
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
    rc = sqlite3_create_function_v2(db, "ora_add_days", 2, flags, nullptr, AddDays, nullptr, nullptr, nullptr);
  return rc;
}

}  // namespace zeldb
