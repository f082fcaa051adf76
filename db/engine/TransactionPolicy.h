// Oracle's transaction policy, written once for every engine.
//
// An engine connection gives the few things only its server can do (the
// TransactionServer below: run one transaction control statement, say
// whether a transaction is open, whether a failed statement leaves it
// usable); the policy decides when to run them:
//
//  - a write opens a transaction when none is open (BeginWrite);
//  - a failed statement undoes only itself: on a server that leaves the
//    transaction unusable after a failure, every statement inside a
//    transaction runs under an implicit savepoint (RunStatement), except the
//    first one after an explicit savepoint, which that savepoint guards;
//  - savepoints nest; a rollback to one undoes the work since it and keeps
//    the transaction, unless nothing was pending before it and no outer
//    savepoint is left: then the transaction holds nothing worth keeping
//    and is ended, so that it holds no locks while the job goes on;
//  - a write committed at once if it succeeds (SavepointCommitOnSuccess)
//    may have its commit sent along with it by the engine; the Commit that
//    follows then reports that commit's status.
//
// "Pending" is one notion for every engine: a statement of the open
// transaction changed rows (the engine reports it with Changed). The
// server may end a transaction by itself (SQLite after some failures, a
// lost connection): the policy notices at its next step and starts afresh.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zeldb {

// The transaction control statements an engine runs for the policy.
enum class TxnControl { Begin, Savepoint, RollbackTo, Release, Commit, Rollback };

// The name of the implicit savepoint around one statement.
inline constexpr char kStatementSavepoint[] = "zel_statement";

class TransactionServer {
 public:
  virtual ~TransactionServer() = default;

  // Runs one control statement (`name`: the savepoint's, for Savepoint,
  // RollbackTo and Release). With `withNextStatement` the engine may hold a
  // Begin or Savepoint back and send it with the next statement instead;
  // it then answers 0, and a failure of it later ends the transaction.
  // Commit and Rollback end the transaction (even when they fail, unless
  // InTransaction still says otherwise).
  virtual int32_t Control(TxnControl what, const std::string& name, bool withNextStatement) = 0;

  // A transaction is open on the server (or held back to open with the next statement).
  virtual bool InTransaction() const = 0;

  // A failed statement leaves the transaction usable, its own effect
  // undone (SQLite, Oracle); otherwise the statement needs a savepoint.
  virtual bool KeepsTransactionAfterFailure() const = 0;

  // A savepoint set as the transaction opens marks nothing the transaction's
  // own rollback would not undo: an engine that answers true has it left
  // out, and a rollback to it rolls the transaction back.
  virtual bool LeavesOutSavepointAtStart() const { return false; }

  // The write that follows may carry its own commit (see
  // TransactionPolicy::CommittedWithStatement); an engine that cannot send
  // it so does nothing.
  virtual void CommitWithNextStatement() {}

  // The connection is gone for good: every control reports -3114.
  virtual bool Lost() const { return false; }
};

class TransactionPolicy {
 public:
  explicit TransactionPolicy(TransactionServer& server) : server_(server) {}

  // The operations of EngineConnection (db/engine/Engine.h).
  int32_t BeginWrite();
  int32_t Savepoint(const std::string& name);
  int32_t SavepointCommitOnSuccess(const std::string& name);
  int32_t RollbackToSavepoint(const std::string& name);
  int32_t Commit();
  int32_t Rollback();

  // Runs one statement of the connection (`run` returns its status) with
  // statement-level rollback.
  template <typename Run>
  int32_t RunStatement(Run&& run) {
    const bool guard = BeginStatement();
    const int32_t status = run();
    EndStatement(guard, status);
    return status;
  }

  // A statement of the open transaction changed rows.
  void Changed();

  // The commit the engine sent along with the write (CommitWithNextStatement)
  // answered `status`: the transaction has ended, and Commit reports it.
  void CommittedWithStatement(int32_t status);
  // The commit was sent but no answer came: the write's fate is unknown.
  // Commit reports -3114 unless it still finds a transaction to commit.
  void CommitOutcomeUnknown();

  // Whether the open transaction holds changed rows (tests, assertions).
  bool Pending() const { return pending_; }

 private:
  struct Mark {
    std::string name;
    bool pendingBefore;  // the transaction held work before the savepoint
    bool sent;           // false: left out at the transaction's start
  };

  bool BeginStatement();
  void EndStatement(bool guarded, int32_t status);
  // Follows the server: a transaction it ended (or opened) by itself starts
  // the policy's state afresh.
  void Follow();
  // The transaction ended: nothing is pending, no savepoint is left.
  void Ended();
  int32_t End(TxnControl how);
  void CheckInvariants() const;

  TransactionServer& server_;
  bool open_ = false;     // a transaction is open (as the server last said)
  bool pending_ = false;  // the open transaction holds changed rows
  bool guarded_ = false;  // the next statement follows an explicit savepoint
  std::vector<Mark> marks_;  // the savepoints of the open transaction, oldest first
  // The status of the commit that travelled with a write, for the Commit that follows.
  std::optional<int32_t> earlyCommit_;
};

}  // namespace zeldb
