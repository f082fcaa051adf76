// The ODBC engine's transport for the look-ups sent ahead
// (db/engine/AheadTransport.h): a few connections of its own, each served
// by a thread of its own, that run the look-ups of the rows ahead
// concurrently.
//
// An ODBC driver runs one statement at a time on a connection and answers
// it in a round trip of its own; there is no pipeline to send a batch
// through. Concurrency takes its place: kOdbcAheadConnections connections,
// each with one worker thread, take the look-ups from one queue in the order
// sent, so that up to that many round trips are under way at once while the
// job works through the rows before them.
//
// Each look-up runs exactly as the job's own execution of the same
// statement would: the same statement text (for Oracle the text as written,
// with its "?" markers), prepared once per worker connection, on a
// connection with the main connection's settings (the same connect string,
// PostgreSQL's session set-up), read-only in autocommit mode. Its answer is
// kept whole: every row as texts (NULL kept), the end (1403) or the failure
// with its status and the server's message (both as the job's connection
// reports them), and the columns that carry a row's fault (kPgCheckedColumn).
//
// Threads stay inside: the job's thread calls Send, Flush and Take only, and
// nothing here touches the session's connections or statements. Every field
// shared with the workers is read and written under the one mutex.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "db/engine/AheadTransport.h"

namespace zeldb {

// Connections (and threads) of the transport. Each runs one look-up per
// round trip, so the look-ups of a walk take at least (look-ups x round
// trip) / connections: A's five per person at 1 ms per round trip keep
// three connections busy for 5 s over 5,000 persons, eight for about 3 s.
// Eight brought A to 0.14 of its time without early sending there, sixteen
// to 0.10 (docs/BENCHMARKS.md); every connection is a server session a site
// may count (docs/DATABASE.md), and eight is where the job's own work
// begins to weigh as much as the waiting.
constexpr int kOdbcAheadConnections = 8;

// An early answer read through ODBC, as OdbcStatement delivers it.
struct OdbcAnswer final : AheadAnswer {
  std::deque<AheadValues> rows;
  int32_t end = 0;        // 1403, or the failure after the last row
  std::string message;    // the server's message of that failure (one line)
  std::vector<int> checked;  // columns that may carry their row's fault
};

// A failure as the engine's connection reports it: its status, the
// driver's SQLSTATE, and the server's message in one line
// (EngineConnection::TakeFailureMessage).
struct OdbcFailure {
  int32_t status = 0;
  std::string sqlstate;
  std::string message;
};

// What the engine tells the transport about its server and its connections.
struct OdbcAheadServer {
  std::string dbms;  // "Oracle" or "PostgreSQL", as the main connection found it
  // A new connection with the main connection's settings, its session set
  // up (an ODBC connection handle), or nullptr when it cannot connect.
  // Called from the transport's threads.
  std::function<void*()> connect;
  // The failure that an ODBC handle describes (the handle type, the
  // handle), exactly as the engine's connection reports it. Called from the
  // transport's threads.
  std::function<OdbcFailure(int16_t, void*)> failure;
};

class OdbcAhead final : public AheadTransport {
 public:
  explicit OdbcAhead(OdbcAheadServer server);
  // Stops the threads (a look-up running finishes first); what was not
  // answered is dropped; the connections are closed.
  ~OdbcAhead() override;
  OdbcAhead(const OdbcAhead&) = delete;
  OdbcAhead& operator=(const OdbcAhead&) = delete;

  bool Send(uint64_t ticket, int statement, const std::string& sql, bool cursor, const AheadValues& values) override;
  bool Flush() override;
  AheadReceipt Take(uint64_t ticket) override;
  std::vector<int> ServerSessions() const override;

 private:
  struct Lookup {
    uint64_t ticket;
    int statement;
    std::string sql;
    bool cursor;
    AheadValues values;
  };
  struct Worker;

  void Start();
  void Run(Worker& w);
  AheadReceipt Answer(Worker& w, const Lookup& l);
  // The receipt of a look-up that failed on `w` as `handle` describes
  // (while preparing it: `preparing`), with the rows read before.
  AheadReceipt Failed(Worker& w, int16_t type, void* handle, bool preparing, std::unique_ptr<OdbcAnswer> rows);

  OdbcAheadServer server_;
  std::vector<std::unique_ptr<Worker>> workers_;  // job's thread only (made at the first Send)

  mutable std::mutex mutex_;
  std::condition_variable work_;      // workers: a look-up queued, or stop
  std::condition_variable answered_;  // Take: an answer in, or the transport lost
  mutable std::condition_variable connected_;  // ServerSessions: every worker connected or failed
  std::deque<Lookup> queue_;
  std::map<uint64_t, AheadReceipt> answers_;
  std::vector<int> sessions_;
  int connecting_ = 0;  // workers that have not yet connected (or failed to)
  bool lost_ = false;
  bool stopping_ = false;
};

}  // namespace zeldb
