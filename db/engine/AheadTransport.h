// How an engine carries the look-ups sent ahead (db/engine/EarlyAnswers.h)
// to its server and their answers back.
//
// EarlyAnswers decides what is sent and what may be served; a transport only
// runs what it is given, on connections of its own (never the session's), and
// hands each answer back whole, as the job's own execution of the same
// statement with the same values would have given it. PostgreSQL's transport
// is libpq's pipeline on one further connection
// (db/engine/postgres/PgPipeline.h); ODBC's a few connections of their own
// that run the look-ups concurrently (db/engine/odbc/OdbcAhead.h).
//
// A transport is used from the job's thread only. What it does inside (other
// threads included) stays inside it: when a call returns, nothing of the
// transport touches the session.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zeldb {

// Values bound to a statement's parameters in order, or a driver row's
// columns, as texts (nullopt: NULL). Numbers are in the digits the engine
// reads and writes them in.
using AheadValues = std::vector<std::optional<std::string>>;

// The most rows a cursor's early answer (or a single-row read's) may hold: a
// longer answer is never served, and its statement is not sent ahead again.
constexpr size_t kAheadCursorRows = 32;

// An early answer in the engine's own form, as the engine's statement takes
// it over when it is served (a PostgreSQL result, rows read through ODBC).
class AheadAnswer {
 public:
  virtual ~AheadAnswer() = default;
};

enum class AheadOutcome : uint8_t {
  // The look-up's whole answer: its rows and their end, or a failure that
  // says something about the data (a value that cannot be converted, more
  // rows than one), which is the same on whichever connection it is met.
  Answer,
  // Nothing to serve for this look-up (aborted with its batch, a failure of
  // the sending connection's own: a lock, a cancel); the job's own statement
  // runs instead.
  Unusable,
  // The statement cannot travel ahead (its preparation failed, its answer
  // ran longer than kAheadCursorRows): it is not sent ahead again.
  Unfit,
  // The transport failed as a whole (a connection lost): nothing more is
  // sent or served in this run.
  Lost,
};

struct AheadReceipt {
  AheadOutcome outcome = AheadOutcome::Unusable;
  std::unique_ptr<AheadAnswer> answer;  // with Answer only
};

class AheadTransport {
 public:
  virtual ~AheadTransport() = default;

  // Sends, or queues for sending, one look-up: statement `statement` (a
  // number that names the same `sql` on every call; `cursor`: the job opens
  // it as a cursor and may fetch several rows) with `values`. `ticket`
  // names its answer; tickets grow with every call. False: the transport is
  // lost (as Lost below).
  virtual bool Send(uint64_t ticket, int statement, const std::string& sql, bool cursor,
                    const AheadValues& values) = 0;

  // The end of a batch of look-ups (those of the rows read ahead at once):
  // what was queued goes out now. False: the transport is lost.
  virtual bool Flush() = 0;

  // The answer of `ticket`, waiting for it when it is not in yet. Every
  // ticket sent is taken exactly once, in the order sent, whether its
  // answer is still wanted or not.
  virtual AheadReceipt Take(uint64_t ticket) = 0;

  // The server's session numbers of the transport's connections open now
  // (tests end them from outside; empty when the server does not tell).
  virtual std::vector<int> ServerSessions() const { return {}; }
};

}  // namespace zeldb
