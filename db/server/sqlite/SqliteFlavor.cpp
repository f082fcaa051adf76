#include "db/server/sqlite/SqliteFlavor.h"

#include <string>

namespace zeldb {
namespace {

class SqliteFlavor final : public SqlFlavor {
 public:
  // Appended, not "?" + text: GCC 12 at -O3 warns (-Wrestrict) inside that
  // operator+ for no fault of the code.
  std::string Parameter(int index) const override { return std::string("?").append(std::to_string(index)); }
  std::string Sysdate() const override { return Parameter(kSqliteSysdateParam); }
  std::string Today() const override { return Parameter(kSqliteTodayParam); }
  std::string ToChar(const std::string& expr, const std::string& fmt) const override {
    return "ora_to_char(" + expr + ",'" + fmt + "')";
  }
  std::string ToCharColumn(const std::string& expr, const std::string& fmt) const override {
    return "ora_to_char_row(" + expr + ",'" + fmt + "')";
  }
  std::string ToDate(const std::string& expr, const std::string& fmt) const override {
    return "ora_to_date(" + expr + ",'" + fmt + "')";
  }
  std::string AddDays(const std::string& date, char op, const std::string& days) const override {
    return "ora_add_days(" + date + "," + (op == '-' ? "-(" + days + ")" : days) + ")";
  }
  std::string Qualified(const std::string&, const std::string& name) const override { return name; }

  // Texts carry a named length check "len_<column>" (a value too long fails
  // with -12899, as in Oracle: see Sqlite_MapError); days and instants are
  // texts 'YYYY-MM-DD HH:MM:SS' with a format check "fmt_<column>", so that
  // nothing another program writes can break the day comparisons.
  std::string TextColumn(const std::string& column, int width) const override {
    return "TEXT CONSTRAINT len_" + column + " CHECK (length(" + column + ") <= " + std::to_string(width) + ")";
  }
  std::string IntegerColumn() const override { return "INTEGER"; }
  std::string DoubleColumn() const override { return "REAL"; }
  std::string DateColumn(const std::string& column) const override {
    return "TEXT CONSTRAINT fmt_" + column + " CHECK (" + column +
           " GLOB '[0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9]')";
  }
};

const SqliteFlavor g_flavor;

}  // namespace

const SqlFlavor& Sqlite_Flavor() { return g_flavor; }

}  // namespace zeldb
