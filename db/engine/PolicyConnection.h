// An engine connection whose transaction operations are the one policy's
// (db/engine/TransactionPolicy.h). An engine derives from it and gives the
// policy its control statements by implementing TransactionServer; the six
// operations the database module calls are answered here, once for every
// engine.
#pragma once

#include <cstdint>
#include <string>

#include "db/engine/Engine.h"
#include "db/engine/TransactionPolicy.h"

namespace zeldb {

class PolicyConnection : public EngineConnection, protected TransactionServer {
 public:
  int32_t BeginWrite() final { return policy_.BeginWrite(); }
  int32_t Savepoint(const std::string& name) final { return policy_.Savepoint(name); }
  int32_t SavepointCommitOnSuccess(const std::string& name) final { return policy_.SavepointCommitOnSuccess(name); }
  int32_t RollbackToSavepoint(const std::string& name) final { return policy_.RollbackToSavepoint(name); }
  int32_t Commit() final { return policy_.Commit(); }
  int32_t Rollback() final { return policy_.Rollback(); }

 protected:
  TransactionPolicy policy_{*this};
};

}  // namespace zeldb
