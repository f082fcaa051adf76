// Look-ups sent ahead of need, and their early answers: one machinery for
// every server engine, which supplies only the transport
// (db/engine/AheadTransport.h).
//
// A job walks a table with a cursor (the "driver") and, for each row, runs
// look-ups keyed by values of that row. On a server every look-up is a round
// trip; this class has the look-ups of the next rows sent ahead, and serves a
// look-up from its early answer when the job runs the same statement with the
// same values.
//
// What is sent is learnt from the run itself: when a look-up runs while a
// driver has a row on hand, each of its values is matched with that row's
// columns; a look-up with values that all came from the row (a "recipe") is
// then sent for the rows the driver has buffered ahead (a read without values
// does not follow the row and is never sent). A guess that does not come true
// costs only the server's work: an answer is served only for the same
// statement text with the same values, never otherwise, and only while its
// driver lives.
//
// An early answer sees committed data as of the moment it ran, a little
// before the job reached its row. It is never served after the job wrote a
// table the look-up names (nor while the job's own transaction holds
// uncommitted changes to it), so nothing the job itself wrote is ever read
// from an early answer; a write to a table with triggers or rules, and any
// statement run outside the statement table, drops every early answer.
//
// Rows written by their key are told apart: a write whose only condition is
// one column equal to a value (`update T set ... where K=:b`, `delete from T
// where K=:b`, or an insert whose first column is K), and a read of the same
// table by the same column alone (`select ... from T where K=:b`), are
// "keyed". A keyed write spoils only the early answers of keyed reads of that
// key; the other reads of the table are spoilt as by any write. So a job
// that reads and rewrites each row of its own table by key (the update
// job's own rows) keeps the early answers of the rows it has not reached.
//
// When the transport fails (a connection of the look-ups lost), early
// sending ends for the run: nothing more is sent or served, and every
// statement runs as the job's own.
//
// Memory is bounded: at most kAheadRows driver rows are buffered ahead, and
// an early answer holds at most kAheadCursorRows rows (a longer one is not
// served, and that look-up is no longer sent ahead).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "db/engine/AheadTransport.h"

namespace zeldb {

// Driver rows buffered ahead of the job, and the batch in which they are
// read and their look-ups sent (one flush per batch).
constexpr size_t kAheadRows = 128;
constexpr size_t kAheadBatch = 64;

// Whether sessions connected from now on send look-ups ahead: on unless the
// environment's ZEL_AHEAD (or its older name ZEL_PG_AHEAD) is "off", "0" or
// "no"; a test's choice (Engine_SetAheadForTest) comes first.
constexpr bool kAheadByDefault = true;
bool Engine_AheadEnabled();
// Tests: 1 on, 0 off, -1 as the environment says.
void Engine_SetAheadForTest(int on);

class EarlyAnswers {
 public:
  // `open` makes the transport on first need (nullptr when it cannot: then
  // nothing is ever sent).
  explicit EarlyAnswers(std::function<std::unique_ptr<AheadTransport>()> open);
  ~EarlyAnswers();
  EarlyAnswers(const EarlyAnswers&) = delete;
  EarlyAnswers& operator=(const EarlyAnswers&) = delete;

  // A statement text, as the session's connections prepare it: its number
  // here, the same for every connection that prepares the same text.
  int Register(const std::string& sql, bool cursor);

  // The table a write names has triggers or rules: its writes drop every
  // early answer, since they may change any table.
  void MarkWidespreadWrites(int statement);
  // Whether `statement` writes a table (insert, update, delete), and which.
  const std::string* WrittenTable(int statement) const;

  // --- the driver's side (a live cursor on a connection of its own) ---
  // A cursor's query started: its number as a driver.
  uint64_t NewDriver(int statement);
  // The job has taken the driver's row number `position` (from 1).
  void RowTaken(uint64_t driver, uint64_t position, const AheadValues& row);
  // Whether the driver should buffer rows ahead (some look-up follows its rows).
  bool WantsRowsAhead(uint64_t driver) const;
  // The driver read row `position` ahead of the job: send the look-ups it leads to.
  void RowAhead(uint64_t driver, uint64_t position, const AheadValues& row);
  // Ends a batch of rows ahead: sends what was queued.
  void Flush();
  // The driver's query ended or was closed: its early answers are dropped.
  void DriverClosed(uint64_t driver);

  // --- the look-up's side ---
  // Called for every execution of a read (single-row select or cursor open)
  // before it runs: learns, and when an early answer is valid, moves it
  // into `out` and answers true.
  bool Serve(int statement, const AheadValues& values, std::unique_ptr<AheadAnswer>& out);

  // --- writes and transactions of the main connection ---
  // `values` are the write's own (nullptr: not known; the write then counts
  // as a write to the whole table).
  void Wrote(int statement, bool inTransaction, const AheadValues* values = nullptr);
  void TransactionEnded();
  // Something ran that the statement table does not describe: drop everything.
  void DropAll();

  struct Counters {
    uint64_t sent = 0;     // look-ups sent ahead
    uint64_t served = 0;   // executions served from an early answer
    uint64_t stale = 0;    // early answers found but not served (a write came between)
  };
  const Counters& Counts() const { return counts_; }
  // Takes every answer in flight (tests: the answers are then on hand).
  void Settle();
  // The transport works (it has not failed in this run).
  bool Working() const { return ok_; }
  // The server's session numbers of the transport's connections (tests).
  std::vector<int> ServerSessions() const;

 private:
  struct Statement {
    std::string sql;
    bool cursor = false;
    bool readOnly = false;    // a plain select: may be sent ahead
    bool broken = false;      // unfit to travel ahead (preparation failed, answers too long)
    std::unordered_set<std::string> words;  // identifiers of its text, lower case
    std::string written;      // the table an insert, update or delete writes (lower case)
    bool widespread = false;  // writing that table may change others (triggers, rules)
    // Keyed by one column (see above): the table (last part, lower case),
    // and the value that gives the key (-1: not keyed).
    std::string keyTable, keyColumn;
    int keyValue = -1;
  };
  struct Recipe {
    int lookup;
    std::vector<int> columns;  // driver column feeding each parameter
    uint64_t hits = 0, misses = 0, stale = 0, served = 0;
    bool active = true;
  };
  struct Entry {
    uint64_t ticket;
    int statement;
    uint64_t driver;
    uint64_t row;             // the driver's row it was sent for
    uint64_t stamp;           // writes seen when it was sent
    std::string key;
    std::string rowKey;       // a keyed read's key (KeyName), else empty
    Recipe* recipe;
    std::unique_ptr<AheadAnswer> answer;
    bool done = false;        // its receipt is taken
    bool usable = true;       // an answer that may be served
    bool dead = false;        // served, or no longer wanted
  };
  struct Driver {
    int statement = -1;
    uint64_t taken = 0;       // the row the job has on hand (its position)
    AheadValues row;          // its values
  };

  static std::string Key(int statement, const AheadValues& values);
  // The name of one keyed row, "" when `values` give no key for `s`.
  static std::string KeyName(const Statement& s, const AheadValues& values);
  // Whether a keyed read of `rowKey` in `table`, sent at `stamp`, saw the
  // table as it is: no write to the whole table nor to that row since.
  bool RowUnchanged(const Statement& s, const std::string& rowKey, uint64_t stamp) const;
  // Notes a keyed write of `rowKey` now, and forgets those no answer in hand can meet.
  void KeyWritten(const std::string& rowKey);
  void Learn(int statement, const AheadValues& values);
  bool Valid(const Entry& e) const;
  bool Connected();
  void Send(uint64_t driver, uint64_t position, Recipe& r, const AheadValues& row);
  bool Obsolete(const Entry& e) const;
  void Broken();
  // Takes the receipts in flight up to and including `until` (all when null).
  void Pump(const Entry* until);
  void Forget(Entry* e);
  void Retire();
  // Asserts the invariants of the window and the entries' states (builds
  // with assertions; nothing otherwise).
  void CheckState() const;
  struct StateCheck {
    const EarlyAnswers& ahead;
    ~StateCheck() { ahead.CheckState(); }
  };

  std::function<std::unique_ptr<AheadTransport>()> open_;
  std::unique_ptr<AheadTransport> transport_;
  bool ok_ = true;  // the transport works (a failure turns the sending off)
  std::vector<Statement> statements_;
  std::unordered_map<std::string, int> bySql_;
  std::map<int, std::deque<Recipe>> recipes_;  // by driver statement (a deque: entries point into it)
  std::unordered_map<uint64_t, Driver> drivers_;
  uint64_t nextDriver_ = 0;
  uint64_t nextTicket_ = 0;
  std::deque<std::unique_ptr<Entry>> window_;   // in the order sent
  bool unflushed_ = false;  // look-ups sent since the last flush
  std::unordered_multimap<std::string, Entry*> byKey_;
  uint64_t writes_ = 0;
  uint64_t allDropped_ = 0;
  std::unordered_map<std::string, uint64_t> lastWrite_;  // table -> writes_ when written
  std::unordered_set<std::string> uncommitted_;          // tables written in the open transaction
  bool uncommittedWidespread_ = false;
  // Keyed writes: the last write of each table by each key column ("*":
  // the whole table), and each row written with its time ("table:" KeyName);
  // those of the open transaction apart (the column "*" when by several).
  std::unordered_map<std::string, std::unordered_map<std::string, uint64_t>> byColumn_;
  std::unordered_map<std::string, uint64_t> keyWrites_;
  std::deque<std::pair<uint64_t, std::string>> keyLog_;  // the same, oldest first (pruning)
  std::unordered_map<std::string, std::string> uncommittedByColumn_;
  std::unordered_set<std::string> uncommittedKeys_;
  Counters counts_;
};

}  // namespace zeldb
