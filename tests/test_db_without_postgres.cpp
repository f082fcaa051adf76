// The engine factory of a build without the PostgreSQL engine (the Windows
// build): compiled only there, and in its test program.
#include <gtest/gtest.h>

#include <memory>

#include "db/EngineFactory.h"
#include "db/engine/Engine.h"
#include "util/OraStatus.h"

#if !ZEL_WITH_POSTGRES

namespace {

// A build without the PostgreSQL engine (Windows) must name the cause, not
// look for a database file called "host=... dbname=...".
TEST(DbSemantics, PostgresConnectStringIsRefusedWithoutTheEngine) {
  std::unique_ptr<zeldb::EngineConnection> conn;
  for (const char* service : {"host=/tmp dbname=zel", "postgresql://db/zel", "postgres://db/zel"}) {
    EXPECT_EQ(zeldb::Engine_Connect({"u", "p", service}, conn), ora::kNoSuchEngine) << service;
    EXPECT_FALSE(conn);
  }
}

}  // namespace

#endif
