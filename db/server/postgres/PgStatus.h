// How a PostgreSQL server's failures map to the status table of
// util/OraStatus.h, whatever client library reports them.
#pragma once

#include <cstdint>

namespace zeldb {

// The status of a SQLSTATE; a null one (no answer from the server at all)
// is a lost connection.
int32_t Pg_MapSqlState(const char* sqlstate);

// The status of a failed connect, told by the client's message: a refused
// login, or a server or database that cannot be reached.
int32_t Pg_MapConnectFailure(const char* message);

}  // namespace zeldb
