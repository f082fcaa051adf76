// How the Oracle texts are rendered for SQLite. Dates and instants are
// stored as text 'YYYY-MM-DD HH:MM:SS'; the conversions are the SQL
// functions of SqliteFunctions.h.
#pragma once

#include "db/engine/Dialect.h"

namespace zeldb {

// "sysdate" and "trunc(sysdate)" are rendered as parameters with these fixed
// numbers, far above any host variable, so that they never meet a numbered
// placeholder of the statement; the engine binds the clock to them.
constexpr int kSqliteSysdateParam = 900;
constexpr int kSqliteTodayParam = 901;

const SqlFlavor& Sqlite_Flavor();

}  // namespace zeldb
