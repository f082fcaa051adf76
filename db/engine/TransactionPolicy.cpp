#include "db/engine/TransactionPolicy.h"

#include <cassert>
#include <utility>

#include "util/OraStatus.h"

namespace zeldb {

int32_t TransactionPolicy::BeginWrite() {
  if (server_.Lost()) return ora::kNotConnected;
  Follow();
  if (open_) return ora::kOk;
  Ended();
  earlyCommit_.reset();
  const int32_t status = server_.Control(TxnControl::Begin, {}, true);
  open_ = server_.InTransaction();
  CheckInvariants();
  return status;
}

int32_t TransactionPolicy::Savepoint(const std::string& name) {
  if (server_.Lost()) return ora::kNotConnected;
  Follow();
  const bool opening = !open_;
  const int32_t begun = BeginWrite();
  if (begun != ora::kOk) return begun;
  int32_t status = ora::kOk;
  const bool sent = !(opening && server_.LeavesOutSavepointAtStart());
  if (sent) status = server_.Control(TxnControl::Savepoint, name, true);
  if (status == ora::kOk) {
    marks_.push_back({name, pending_, sent});
    guarded_ = true;
  }
  CheckInvariants();
  return status;
}

int32_t TransactionPolicy::SavepointCommitOnSuccess(const std::string& name) {
  if (server_.Lost()) return ora::kNotConnected;
  Follow();
  // The commit may travel with the write only when the transaction then
  // holds that write alone.
  const bool holdsNothing = !open_ || !pending_;
  const int32_t status = Savepoint(name);
  if (status == ora::kOk && holdsNothing) server_.CommitWithNextStatement();
  return status;
}

int32_t TransactionPolicy::RollbackToSavepoint(const std::string& name) {
  if (server_.Lost()) return ora::kNotConnected;
  Follow();
  earlyCommit_.reset();
  if (!open_) return ora::kOk;  // the server already ended the transaction
  // The savepoint set last under this name: a name set again hides the earlier one.
  size_t at = marks_.size();
  while (at > 0 && marks_[at - 1].name != name) --at;
  const bool known = at > 0;
  if (known && !marks_[at - 1].sent) return Rollback();
  int32_t status = server_.Control(TxnControl::RollbackTo, name, false);
  if (status != ora::kOk) return status;
  server_.Control(TxnControl::Release, name, false);
  // A savepoint the policy did not set (unknown) may have had work before it.
  pending_ = known ? marks_[at - 1].pendingBefore : true;
  marks_.resize(known ? at - 1 : 0);
  // Nothing was pending before the savepoint: the transaction holds nothing
  // worth keeping, but it may still hold locks; end it, so that other
  // programs can write while this one goes on.
  if (!pending_ && marks_.empty()) status = End(TxnControl::Rollback);
  CheckInvariants();
  return status;
}

int32_t TransactionPolicy::Commit() {
  if (server_.Lost()) return ora::kNotConnected;
  Follow();
  marks_.clear();
  const std::optional<int32_t> early = std::exchange(earlyCommit_, std::nullopt);
  if (!open_) return early.value_or(ora::kOk);
  return End(TxnControl::Commit);
}

int32_t TransactionPolicy::Rollback() {
  if (server_.Lost()) return ora::kNotConnected;
  Follow();
  marks_.clear();
  earlyCommit_.reset();
  if (!open_) return ora::kOk;
  return End(TxnControl::Rollback);
}

void TransactionPolicy::Changed() {
  Follow();
  if (open_) pending_ = true;
  CheckInvariants();
}

void TransactionPolicy::CommittedWithStatement(int32_t status) {
  Ended();
  open_ = false;
  earlyCommit_ = status;
  CheckInvariants();
}

void TransactionPolicy::CommitOutcomeUnknown() {
  earlyCommit_ = ora::kNotConnected;
  CheckInvariants();
}

// Inside a transaction on a server that would leave it failed, the
// statement runs under a savepoint of its own, unless it is the first
// after an explicit savepoint (which guards it already).
bool TransactionPolicy::BeginStatement() {
  Follow();
  const bool guard = open_ && !guarded_ && !server_.KeepsTransactionAfterFailure();
  guarded_ = false;
  if (guard) server_.Control(TxnControl::Savepoint, kStatementSavepoint, false);
  return guard;
}

void TransactionPolicy::EndStatement(bool guarded, int32_t status) {
  if (guarded) {
    if (status != ora::kOk) server_.Control(TxnControl::RollbackTo, kStatementSavepoint, false);
    server_.Control(TxnControl::Release, kStatementSavepoint, false);
  }
  Follow();
  CheckInvariants();
}

void TransactionPolicy::Follow() {
  const bool open = server_.InTransaction();
  if (open == open_) return;
  Ended();
  open_ = open;
}

void TransactionPolicy::Ended() {
  marks_.clear();
  pending_ = false;
  guarded_ = false;
}

// Commit or Rollback. A transaction the server still holds afterwards (a
// commit SQLite refused while another program reads) keeps its pending work.
int32_t TransactionPolicy::End(TxnControl how) {
  const int32_t status = server_.Control(how, {}, false);
  guarded_ = false;
  Follow();
  CheckInvariants();
  return status;
}

void TransactionPolicy::CheckInvariants() const {
#ifndef NDEBUG
  // Outside a transaction nothing is pending, marked or guarded.
  assert(open_ || (marks_.empty() && !pending_ && !guarded_));
  // A commit that travelled with its write ended the transaction, unless it failed.
  assert(!earlyCommit_ || !open_ || ora::IsFailure(*earlyCommit_));
  bool before = false;
  for (size_t i = 0; i < marks_.size(); ++i) {
    const Mark& mark = marks_[i];
    assert(!mark.name.empty());
    // Only the transaction's first savepoint may be left out, and nothing came before it.
    assert(mark.sent || (i == 0 && !mark.pendingBefore));
    // Work only grows while savepoints are set: what was pending before one
    // was pending before every later one, and is pending now.
    assert(!before || mark.pendingBefore);
    before = mark.pendingBefore;
  }
  assert(!before || pending_);
#endif
}

}  // namespace zeldb
