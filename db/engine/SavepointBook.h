// The savepoints of an engine connection's open transaction.
//
// Both engines keep, for every savepoint they set, whether the transaction
// held work from before it. A rollback to a savepoint that had nothing
// before it, with no outer savepoint left, leaves a transaction that holds
// nothing worth keeping; the engine then ends it, so that it holds no locks
// while the job goes on (EngineConnection::RollbackToSavepoint). The engine
// runs its own SQL; this book only remembers the marks.
#pragma once

#include <string>
#include <vector>

namespace zeldb {

class SavepointBook {
 public:
  // The transaction began or ended: no savepoint is left.
  void Clear() { marks_.clear(); }

  // Savepoint `name` is set; `pendingBefore`: the transaction already held work.
  void Set(const std::string& name, bool pendingBefore) { marks_.push_back({name, pendingBefore}); }

  struct Unwound {
    bool pendingBefore;  // work was pending before the savepoint (true when it is unknown)
    bool holdsNothing;   // nothing pending before it and no outer savepoint: end the transaction
  };

  // The transaction was rolled back to savepoint `name`, which is released:
  // forgets it and every savepoint set after it.
  Unwound RolledBackTo(const std::string& name);

 private:
  struct Mark {
    std::string name;
    bool pendingBefore;
  };
  std::vector<Mark> marks_;
};

}  // namespace zeldb
