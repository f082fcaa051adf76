// The dialect layer: Oracle statement texts rendered for one engine.
//
// The table statements keep their Oracle texts exactly as the system wrote
// them. Translate() parses such a text once and renders it through the
// engine's SqlFlavor:
//
//  - positional placeholders ":b0" ... become the engine's parameters; a
//    placeholder used twice keeps one parameter; in the "into" list of a
//    single-row select, ":b0:b1" is an output with its indicator, and the
//    whole "into" list is taken out of the text (the outputs become the
//    result columns in order);
//  - "sysdate", "trunc(sysdate)" (any case), TO_CHAR(x,'fmt') and
//    TO_DATE(x,'fmt') with 'yyyymmdd' and 'yyyymmddHH24MISS', and day
//    arithmetic "TO_DATE(...)+n" and "trunc(sysdate)-n" are rendered by the
//    flavor;
//  - "from dual", Oracle's one-row table, is left out: the engines select
//    without a from clause;
//  - "MvSystem.Name" is rendered by the flavor (SQLite keeps every table in
//    one file, so the schema is dropped there).
//
// String literals and everything else pass through unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zeldb {

// Rendering rules of one engine.
class SqlFlavor {
 public:
  virtual ~SqlFlavor() = default;
  // The engine parameter with 1-based `index`.
  virtual std::string Parameter(int index) const = 0;
  // The database's current date and time, whole seconds ("sysdate").
  virtual std::string Sysdate() const = 0;
  // The database's current day at midnight ("trunc(sysdate)").
  virtual std::string Today() const = 0;
  // A date column or expression as text in `oracleFormat`.
  virtual std::string ToChar(const std::string& expr, const std::string& oracleFormat) const = 0;
  // TO_CHAR as a whole item of a select list. An engine that may compute
  // rows ahead of the one fetched (a sort does) renders it so that a value
  // that cannot be converted travels with its row and fails the fetch of
  // that very row (EngineStatement::RowStatus), not the fetch of a row
  // before it. Conditions keep ToChar: there the failure is the statement's.
  virtual std::string ToCharColumn(const std::string& expr, const std::string& oracleFormat) const {
    return ToChar(expr, oracleFormat);
  }
  // A text in `oracleFormat` as a date.
  virtual std::string ToDate(const std::string& expr, const std::string& oracleFormat) const = 0;
  // `dateExpr` plus (or minus, when `op` is '-') `days` days.
  virtual std::string AddDays(const std::string& dateExpr, char op, const std::string& days) const = 0;
  // A name qualified with a schema, as in "MvSystem.Mvs301Asw".
  virtual std::string Qualified(const std::string& schema, const std::string& name) const = 0;
  // Appended to a single-row select: a server need not send more than the
  // two rows that tell "one" from "too many".
  virtual std::string SingleRowSuffix() const { return ""; }

  // Table definitions: the schema's one table list (db/schema) is rendered
  // into each engine's DDL with these.
  // The type of text column `column` of at most `width` characters, with
  // whatever keeps a longer value out.
  virtual std::string TextColumn(const std::string& column, int width) const = 0;
  // The type of an integer column (32- and 16-bit alike: the 16-bit rule is
  // the host variable's).
  virtual std::string IntegerColumn() const = 0;
  // The type of a floating-point column.
  virtual std::string DoubleColumn() const = 0;
  // The type of column `column` holding a day or an instant, with whatever
  // keeps other values out.
  virtual std::string DateColumn(const std::string& column) const = 0;
  // The statement that creates `schema`, or "" for an engine without schemas.
  virtual std::string CreateSchema(const std::string&) const { return ""; }
  // The statement that lets statements name `qualified` by its unqualified
  // `name` too, or "" where the two are the same.
  virtual std::string UnqualifiedName(const std::string&, const std::string&) const { return ""; }
};

struct Translation {
  bool ok = false;
  std::string error;            // why the text could not be translated
  std::string sql;              // the engine's text
  std::vector<int> outputs;     // placeholder numbers of the into list, in order
  std::vector<int> parameters;  // for engine parameter i+1: its placeholder number
};

// Translates an Oracle statement text for `flavor`.
Translation Translate(std::string_view oracleText, const SqlFlavor& flavor);

// An Oracle text for a server that speaks Oracle's SQL itself, through an
// interface with positional markers: every ":bN" becomes "?", a placeholder
// used twice is two parameters (`parameters` names it twice, in text
// order), and the into list of a single-row select is taken out as above.
// Every other byte of the text stays as written.
Translation Translate_Markers(std::string_view oracleText);

}  // namespace zeldb
