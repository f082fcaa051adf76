#include "db/server/postgres/PgFlavor.h"

#include <cctype>
#include <string>

namespace zeldb {
namespace {

class PgFlavor final : public SqlFlavor {
 public:
  // Appended, not "$" + text: GCC 12 at -O3 warns (-Wrestrict) inside that
  // operator+ for no fault of the code.
  std::string Parameter(int index) const override { return std::string("$").append(std::to_string(index)); }
  // Whole seconds cut off, as Oracle's sysdate has them: LOCALTIMESTAMP(0)
  // would round, and from 23:59:59.5 on its day would be tomorrow.
  std::string Sysdate() const override { return "date_trunc('second',LOCALTIMESTAMP)"; }
  std::string Today() const override { return "date_trunc('day',LOCALTIMESTAMP)"; }
  std::string ToChar(const std::string& expr, const std::string& fmt) const override {
    return "to_char(" + expr + ",'" + Upper(fmt) + "')";
  }
  // A timestamp column also holds what no day text of the years 1 to 9999
  // can tell: 'infinity' (to_char gives NULL, an open end), days before
  // Christ (given without their era) and after 9999 (nine digits, cut).
  // Such a value travels with its row as a fault, in the column named
  // kPgCheckedColumn, and fails the fetch of that row (EngineStatement::RowStatus).
  std::string ToCharColumn(const std::string& expr, const std::string& fmt) const override {
    return "CASE WHEN " + expr + " IS NULL OR (" + expr + ">=TIMESTAMP '0001-01-01' AND " + expr +
           "<TIMESTAMP '10000-01-01') THEN " + ToChar(expr, fmt) + " ELSE '" + kPgRowFault + "' END AS " +
           kPgCheckedColumn;
  }
  std::string ToDate(const std::string& expr, const std::string& fmt) const override {
    // As strict as Oracle's own conversion: a text that is not exactly the
    // format's digits (PostgreSQL would read "2026023" as a day, and the
    // year 0000 as 1 before Christ) is replaced by one that fails to
    // convert. Built from a date and a time so that no time zone takes
    // part: an instant stored is the instant given.
    const std::string t = "CAST(" + expr + " AS text)";
    const bool day = fmt.size() == 8;
    const std::string pattern =
        day ? "^(?!0000)[0-9]{8}$" : "^(?!0000)[0-9]{8}([01][0-9]|2[0-3])[0-5][0-9][0-5][0-9]$";
    const std::string checked = "(CASE WHEN " + t + " IS NULL OR " + t + " ~ '" + pattern + "' THEN " + t +
                                " ELSE 'invalid' END)";
    if (day) return "CAST(to_date(" + checked + ",'YYYYMMDD') AS timestamp(0))";
    return "CAST(to_date(substr(" + checked + ",1,8),'YYYYMMDD')+CAST(substr(" + checked +
           ",9) AS time) AS timestamp(0))";
  }
  std::string AddDays(const std::string& date, char op, const std::string& days) const override {
    return "(" + date + std::string(1, op) + "CAST(" + days + " AS integer)*interval '1 day')";
  }
  std::string Qualified(const std::string& schema, const std::string& name) const override {
    return schema + "." + name;
  }
  std::string SingleRowSuffix() const override { return " LIMIT 2"; }

  // Texts compare byte by byte, whatever the database's locale: ranges and
  // order are those of the statements, not of a dictionary.
  std::string TextColumn(const std::string&, int width) const override {
    return "varchar(" + std::to_string(width) + ") COLLATE \"C\"";
  }
  std::string IntegerColumn() const override { return "integer"; }
  std::string DoubleColumn() const override { return "double precision"; }
  std::string DateColumn(const std::string&) const override { return "timestamp(0)"; }
  std::string CreateSchema(const std::string& schema) const override {
    return "CREATE SCHEMA IF NOT EXISTS " + schema;
  }
  std::string UnqualifiedName(const std::string& name, const std::string& qualified) const override {
    return "CREATE OR REPLACE VIEW " + name + " AS SELECT * FROM " + qualified;
  }

 private:
  static std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
  }
};

const PgFlavor g_flavor;

}  // namespace

const SqlFlavor& Pg_Flavor() { return g_flavor; }

}  // namespace zeldb
