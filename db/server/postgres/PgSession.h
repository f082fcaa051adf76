// What a new connection to a PostgreSQL server runs first, whatever client
// library reaches it.
#pragma once

#include <string>

namespace zeldb {

constexpr const char* kPgLockTimeout = "5s";

// UTF-8, the bounded lock wait (kPgLockTimeout), no notices.
std::string Pg_SessionSetup();

// Changes the lock wait of connections opened afterwards (tests of locking),
// e.g. "200ms"; nullptr restores kPgLockTimeout.
void Pg_SetLockTimeoutForTest(const char* timeout);

}  // namespace zeldb
