// What every engine that reaches a PostgreSQL server shares, whatever
// client library it speaks through (libpq in the PostgreSQL engine, an ODBC
// driver in the ODBC engine): how the Oracle texts are rendered, the set-up
// of a new connection, and how the server's errors map to the status table.
// No client library here, so that a build without libpq has it too.
#pragma once

#include <cstdint>
#include <string>

#include "db/engine/Dialect.h"

namespace zeldb {

constexpr const char* kPgLockTimeout = "5s";

// What a select item of TO_CHAR holds for a value it cannot tell as the
// format's digits, and the name it is given (see the flavor's ToCharColumn):
// a row whose column of that name holds kPgRowFault fails its fetch with -1861.
constexpr char kPgRowFault[] = "ORA-01861";
constexpr char kPgCheckedColumn[] = "zel_checked_day";

const SqlFlavor& Pg_Flavor();

// What a new connection runs first: UTF-8, the bounded lock wait
// (kPgLockTimeout), no notices.
std::string Pg_SessionSetup();

// Changes the lock wait of connections opened afterwards (tests of locking),
// e.g. "200ms"; nullptr restores kPgLockTimeout.
void Pg_SetLockTimeoutForTest(const char* timeout);

// Maps a SQLSTATE (and, for connection failures, the client's message) to
// the status table of util/OraStatus.h.
int32_t Pg_MapSqlState(const char* sqlstate);
int32_t Pg_MapConnectFailure(const char* message);

}  // namespace zeldb
