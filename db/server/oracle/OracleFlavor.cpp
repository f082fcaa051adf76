#include "db/server/oracle/OracleFlavor.h"

#include <string>

namespace zeldb {
namespace {

class OracleFlavor final : public SqlFlavor {
 public:
  std::string Parameter(int) const override { return "?"; }
  std::string Sysdate() const override { return "sysdate"; }
  std::string Today() const override { return "trunc(sysdate)"; }
  std::string ToChar(const std::string& expr, const std::string& fmt) const override {
    return "TO_CHAR(" + expr + ",'" + fmt + "')";
  }
  std::string ToDate(const std::string& expr, const std::string& fmt) const override {
    return "TO_DATE(" + expr + ",'" + fmt + "')";
  }
  std::string AddDays(const std::string& date, char op, const std::string& days) const override {
    return date + std::string(1, op) + days;
  }
  std::string Qualified(const std::string& schema, const std::string& name) const override {
    return schema + "." + name;
  }
  std::string TextColumn(const std::string&, int width) const override {
    return "VARCHAR2(" + std::to_string(width) + " CHAR)";
  }
  std::string IntegerColumn() const override { return "NUMBER(10)"; }
  std::string DoubleColumn() const override { return "BINARY_DOUBLE"; }
  std::string DateColumn(const std::string&) const override { return "DATE"; }
};


const OracleFlavor g_flavor;

}  // namespace

const SqlFlavor& Oracle_Flavor() { return g_flavor; }

}  // namespace zeldb
