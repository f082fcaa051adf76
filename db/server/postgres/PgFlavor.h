// How the Oracle texts are rendered for a PostgreSQL server, whatever client
// library reaches it (libpq in the PostgreSQL engine, an ODBC driver in the
// ODBC engine). No client library here, so that a build without libpq has
// it too.
#pragma once

#include "db/engine/Dialect.h"

namespace zeldb {

// What a select item of TO_CHAR holds for a value it cannot tell as the
// format's digits, and the name it is given (see the flavor's ToCharColumn):
// a row whose column of that name holds kPgRowFault fails its fetch with -1861.
constexpr char kPgRowFault[] = "ORA-01861";
constexpr char kPgCheckedColumn[] = "zel_checked_day";

const SqlFlavor& Pg_Flavor();

}  // namespace zeldb
