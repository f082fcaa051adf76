#include "db/engine/postgres/PgPipeline.h"

#include <libpq-fe.h>

#include <cstring>
#include <string>

#include "db/engine/RaisedStatus.h"

namespace zeldb {
namespace {

// An error that says something about the data (a value that cannot be
// converted, more rows than one) is the same whichever connection met it and
// is served; any other (a lost connection, a cancel, a lock) belongs to the
// connection that sent the look-up, and the job's own statement runs instead.
bool DataError(const PGresult* r) {
  const char* message = PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY);
  if (message && Engine_RaisedStatus(message) != 0) return true;
  const char* state = PQresultErrorField(r, PG_DIAG_SQLSTATE);
  if (!state) return false;
  return std::strncmp(state, "22", 2) == 0 || std::strncmp(state, "21", 2) == 0 ||
         std::strncmp(state, "23", 2) == 0;
}

}  // namespace

void PgResultDeleter::operator()(pg_result* r) const { PQclear(r); }

std::unique_ptr<PgPipeline> PgPipeline::Open(pg_conn* conn) {
  if (!conn) return nullptr;
  if (PQenterPipelineMode(conn) != 1) {
    PQfinish(conn);
    return nullptr;
  }
  return std::unique_ptr<PgPipeline>(new PgPipeline(conn));
}

// Unread answers go with the connection.
PgPipeline::~PgPipeline() { PQfinish(conn_); }

AheadReceipt PgPipeline::Lost() {
  lost_ = true;
  inFlight_.clear();
  return {AheadOutcome::Lost, nullptr};
}

bool PgPipeline::Send(uint64_t ticket, int statement, const std::string& sql, bool cursor,
                      const AheadValues& values) {
  if (lost_) return false;
  auto named = names_.find(statement);
  if (named == names_.end()) {
    named = names_.emplace(statement, "zel_ahead_" + std::to_string(statement)).first;
    if (PQsendPrepare(conn_, named->second.c_str(), sql.c_str(), 0, nullptr) != 1) return !(lost_ = true);
    inFlight_.push_back({InFlight::Prepare, 0, statement, false});
  }
  std::vector<const char*> raw;
  raw.reserve(values.size());
  for (const auto& v : values) raw.push_back(v ? v->c_str() : nullptr);
  if (PQsendQueryPrepared(conn_, named->second.c_str(), static_cast<int>(raw.size()), raw.data(), nullptr, nullptr,
                          0) != 1)
    return !(lost_ = true);
  inFlight_.push_back({InFlight::Lookup, ticket, statement, cursor});
  unsynced_ = true;
  return true;
}

bool PgPipeline::Flush() {
  if (lost_) return false;
  if (!unsynced_) return true;
  unsynced_ = false;
  // One sync per batch (see the header).
  if (PQpipelineSync(conn_) != 1) return !(lost_ = true);
  inFlight_.push_back({InFlight::Sync, 0, -1, false});
  return true;
}

AheadReceipt PgPipeline::Take(uint64_t ticket) {
  if (lost_) return {AheadOutcome::Lost, nullptr};
  if (unsynced_ && !Flush()) return Lost();
  while (!inFlight_.empty()) {
    const Pending p = inFlight_.front();
    inFlight_.pop_front();
    if (p.kind == InFlight::Sync) {
      PgResult r(PQgetResult(conn_));
      if (!r || PQresultStatus(r.get()) != PGRES_PIPELINE_SYNC) return Lost();
      continue;
    }
    if (p.kind == InFlight::Prepare) {
      bool failed = false;
      while (PGresult* raw = PQgetResult(conn_)) {
        failed = failed || PQresultStatus(raw) != PGRES_COMMAND_OK;
        PQclear(raw);
      }
      if (failed) unprepared_.insert(p.statement);
      continue;
    }
    AheadReceipt receipt = Read(p);
    if (p.ticket == ticket || receipt.outcome == AheadOutcome::Lost) return receipt;
  }
  // Every ticket sent is taken in order: one not in flight was never sent here.
  return Lost();
}

AheadReceipt PgPipeline::Read(const Pending& p) {
  auto answer = std::make_unique<PgAnswer>();
  AheadOutcome outcome = unprepared_.count(p.statement) ? AheadOutcome::Unfit : AheadOutcome::Answer;
  size_t rows = 0;
  // A cursor's answer arrives row by row, so that a long one is cut off
  // without being held whole.
  if (p.cursor) PQsetSingleRowMode(conn_);
  bool any = false;
  while (PGresult* raw = PQgetResult(conn_)) {
    any = true;
    PgResult r(raw);
    switch (PQresultStatus(raw)) {
      case PGRES_SINGLE_TUPLE:
        if (++rows > kAheadCursorRows && outcome == AheadOutcome::Answer) outcome = AheadOutcome::Unfit;
        break;
      case PGRES_TUPLES_OK:
      case PGRES_COMMAND_OK:
        if (!p.cursor && static_cast<size_t>(PQntuples(raw)) > kAheadCursorRows && outcome == AheadOutcome::Answer)
          outcome = AheadOutcome::Unusable;
        break;
      case PGRES_FATAL_ERROR:
        if (outcome == AheadOutcome::Answer && !DataError(raw)) outcome = AheadOutcome::Unusable;
        break;
      default:  // aborted by an earlier failure of its batch
        if (outcome == AheadOutcome::Answer) outcome = AheadOutcome::Unusable;
        break;
    }
    if (outcome == AheadOutcome::Answer) answer->results.push_back(std::move(r));
  }
  // No result at all: the connection is gone.
  if (!any || PQstatus(conn_) == CONNECTION_BAD) return Lost();
  if (outcome != AheadOutcome::Answer) return {outcome, nullptr};
  return {AheadOutcome::Answer, std::move(answer)};
}

std::vector<int> PgPipeline::ServerSessions() const {
  if (lost_) return {};
  return {PQbackendPID(conn_)};
}

}  // namespace zeldb
