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

#include "db/Engine.h"

namespace zeldb {

constexpr int kSqliteBusyTimeoutMs = 5000;

// Opens the database file `path` (native form). Returns 0 or a negative status.
int32_t Sqlite_Connect(const std::string& path, std::unique_ptr<EngineConnection>& out);

// The SQLite rendering of Oracle texts (exposed for the dialect tests).
const SqlFlavor& Sqlite_Flavor();

// Maps a SQLite result code and message to the status table of db/OraStatus.h.
int32_t Sqlite_MapError(int resultCode, int extendedCode, const char* message);

// Changes the busy wait of connections opened afterwards (tests of locking).
void Sqlite_SetBusyTimeoutForTest(int milliseconds);

}  // namespace zeldb
