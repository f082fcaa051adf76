// PostgreSQL's transport of the look-ups sent ahead (db/engine/AheadTransport.h):
// libpq's pipeline mode on one connection of its own, with the session's
// settings. Each statement is prepared there once ("zel_ahead_N"), the
// look-ups of a batch go out together and end with one sync, so that the
// server answers a batch in one go, and a look-up that fails aborts only the
// rest of its batch (those then run as the job's own statements).
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "db/engine/AheadTransport.h"

struct pg_conn;
struct pg_result;

namespace zeldb {

struct PgResultDeleter {
  void operator()(pg_result* r) const;
};
using PgResult = std::unique_ptr<pg_result, PgResultDeleter>;

// An early answer as PgStatement takes it over: a single-row read's whole
// result, or a cursor's rows (single-row results) and its last result (the
// end, or the failure that ended it).
struct PgAnswer final : AheadAnswer {
  std::deque<PgResult> results;
};

class PgPipeline final : public AheadTransport {
 public:
  // Takes over `conn` (connected, with the session's settings) in pipeline
  // mode; nullptr (and `conn` closed) when libpq cannot enter it.
  static std::unique_ptr<PgPipeline> Open(pg_conn* conn);
  ~PgPipeline() override;

  bool Send(uint64_t ticket, int statement, const std::string& sql, bool cursor, const AheadValues& values) override;
  bool Flush() override;
  AheadReceipt Take(uint64_t ticket) override;
  std::vector<int> ServerSessions() const override;

 private:
  explicit PgPipeline(pg_conn* conn) : conn_(conn) {}
  enum class InFlight : uint8_t { Prepare, Lookup, Sync };
  struct Pending {
    InFlight kind;
    uint64_t ticket;  // Lookup
    int statement;    // Prepare, Lookup
    bool cursor;      // Lookup
  };
  // Reads the answer of the look-up at the head of what is in flight.
  AheadReceipt Read(const Pending& p);
  AheadReceipt Lost();

  pg_conn* conn_;
  bool lost_ = false;
  std::unordered_map<int, std::string> names_;  // statement -> prepared as
  std::unordered_set<int> unprepared_;          // statements whose preparation failed
  std::deque<Pending> inFlight_;
  bool unsynced_ = false;
};

}  // namespace zeldb
