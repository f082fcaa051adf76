// The one database session of the run.
//
// The session owns the engine's main connection, the statements prepared on
// it (each prepared once, on first use, and reused for the rest of the run)
// and the cursors, each with a connection of its own (see db/engine/Engine.h for why).
// dbConnect (db/DbDb.h) installs it; the statement runners of db/Statement.h
// use it. Only the database module includes this header; the benchmark tool
// reads the session's counts through db/StatementUses.h.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "db/StatementDef.h"
#include "db/StatementUses.h"
#include "db/engine/Dialect.h"
#include "db/engine/Engine.h"

namespace zeldb {

// A statement prepared for one connection, with the host variable that feeds
// each engine parameter and the one that receives each result column.
struct Prepared {
  int32_t status = 0;  // of translation and preparation; non-zero: unusable
  std::unique_ptr<EngineStatement> stmt;
  std::vector<const HostVar*> parameters;  // engine parameter i+1
  std::vector<const HostVar*> columns;     // result column i
  std::vector<int> numberColumns;          // the columns that land in integer host variables, in order
  std::vector<int64_t> numbers;            // their values in the current row, once checked
  std::vector<char> scratch;               // the host record while a single-row read copies in (kept: no allocation per row)
  // What the run did with the statement, for Session::Uses(). Kept when a
  // failed preparation is tried again.
  uint32_t preparations = 0;  // translations and preparations of its text
  uint64_t executions = 0;    // runs (a cursor: opens)
  uint64_t rows = 0;          // rows fetched (cursors)
};

struct CursorState {
  std::unique_ptr<EngineConnection> connection;
  Prepared prepared;
  bool open = false;
  bool rowWaiting = false;  // the open already stepped onto the first row
  bool exhausted = false;
  // The failure that ended the query (at its open, or at a step): every
  // further fetch reports it, none starts the query again.
  int32_t failure = 0;
};

class Session {
 public:
  explicit Session(std::unique_ptr<EngineConnection> main);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  EngineConnection& Main() { return *main_; }

  // The prepared form of `def` on the main connection (prepared on first use).
  Prepared& Statement(const StatementDef& def);
  // The state of `def`'s cursor, with its connection and prepared query.
  CursorState& Cursor(const CursorDef& def);

  // Every statement and cursor used in this run with its counts. The
  // statement runners keep them as they go; nothing in the program reads
  // them: the benchmark tool prints them after running a job in-process, to
  // show how many statements a row costs and that no text was prepared twice.
  std::vector<StatementUse> Uses() const;

 private:
  // The statements found last, by their definition's address. A job runs
  // the same few statements for every row; a hit here spares the map's
  // look-up. The maps never move an entry, and an entry lives as long as
  // the session, so these pointers stay valid.
  template <class Def, class Entry>
  struct Recent {
    const Def* def = nullptr;
    Entry* entry = nullptr;
  };
  static constexpr size_t kRecent = 16;
  static size_t RecentSlot(const void* def) { return (reinterpret_cast<uintptr_t>(def) >> 4) % kRecent; }

  std::unordered_map<const StatementDef*, Prepared> statements_;
  std::unordered_map<const CursorDef*, CursorState> cursors_;
  std::array<Recent<StatementDef, Prepared>, kRecent> recentStatements_{};
  std::array<Recent<CursorDef, CursorState>, kRecent> recentCursors_{};
  std::unique_ptr<EngineConnection> main_;  // destroyed last
};

// The current session, or nullptr before dbConnect succeeded.
Session* CurrentSession();
void InstallSession(std::unique_ptr<Session> session);

}  // namespace zeldb
