#include "db/server/postgres/PgSession.h"

namespace zeldb {
namespace {

std::string g_lockTimeout = kPgLockTimeout;

}  // namespace

std::string Pg_SessionSetup() {
  return "SET client_encoding TO 'UTF8'; SET lock_timeout TO '" + g_lockTimeout +
         "'; SET client_min_messages TO warning";
}

void Pg_SetLockTimeoutForTest(const char* timeout) { g_lockTimeout = timeout ? timeout : kPgLockTimeout; }

}  // namespace zeldb
