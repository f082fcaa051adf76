// The SQLite engine: the embedded default.
//
// NET8 names the database file, relative to the working directory or
// absolute (system form; backslashes are turned into slashes). The connect
// opens an existing file only: a missing file fails with -12154, so a missing
// or empty configuration never creates an empty database. LOGIN and PASS take
// no part: SQLite has no users, access is governed by the file's permissions.
//
// The database runs in write-ahead-log mode with a bounded busy wait
// (kSqliteBusyTimeoutMs), so that the download program and the personnel side
// can read and write the same file meanwhile; a write that still meets a lock
// fails with -54, it never hangs. Dates and instants are stored as text
// 'YYYY-MM-DD HH:MM:SS'; "sysdate" is this machine's local time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "db/engine/Engine.h"
// SQLite's flavour and statuses: this engine runs by them, and its callers
// (the tests, the set-up tool, the benchmark) reach them from here.
#include "db/server/sqlite/SqliteFlavor.h"
#include "db/server/sqlite/SqliteStatus.h"

struct sqlite3;

namespace zeldb {

constexpr int kSqliteBusyTimeoutMs = 5000;
// A cursor open across this many commits of the process sets its remaining
// rows aside in a temporary table and releases its snapshot, so that the
// write-ahead log does not grow for the rest of the run.
constexpr uint64_t kSqliteSetAsideAfterCommits = 10000;
// The log size in pages at which a checkpoint is tried.
constexpr int kSqliteCheckpointPages = 1000;

// Opens the database file `path` (native form). Returns 0 or a negative status.
int32_t Sqlite_Connect(const std::string& path, std::unique_ptr<EngineConnection>& out);

// Gives the open connection `db` the settings of every connection of the
// engine: the bounded busy wait, the session set-up of the server
// (db/server/sqlite/SqliteSession.h: the Oracle functions, write-ahead log,
// durable commits, a 500 kB page cache), and the checkpoint
// policy, which keeps its state in `nextCheckpoint` (it must outlive the
// connection). The benchmark's floor opens its connections with it too.
void Sqlite_Configure(sqlite3* db, int& nextCheckpoint);

// Tells the checkpoint policy that a cursor has released its snapshot (its
// rows set aside): the log is checkpointed at the next commit.
void Sqlite_SnapshotReleased();

// Changes the busy wait of connections opened afterwards (tests of locking).
void Sqlite_SetBusyTimeoutForTest(int milliseconds);

}  // namespace zeldb
