#include "db/Statement.h"

#include <cassert>
#include <cstring>
#include <limits>
#include <string_view>

#include "db/Session.h"
#include "util/FixedText.h"
#include "util/OraStatus.h"

namespace zeldb {
namespace {

void Bind(EngineStatement& st, int index, const HostVar& v, const char* record) {
  const char* field = record + v.offset;
  switch (v.type) {
    case HostType::String: {
      const size_t n = ::strnlen(field, v.size);
      // An empty text is NULL, as Oracle has it: an open end stays NULL.
      if (n == 0)
        st.BindNull(index);
      else
        st.BindText(index, std::string_view(field, n));
      break;
    }
    case HostType::Int32: {
      int32_t x;
      std::memcpy(&x, field, sizeof x);
      st.BindInt(index, x);
      break;
    }
    case HostType::Int16: {
      int32_t x;
      std::memcpy(&x, field, sizeof x);
      st.BindInt(index, static_cast<int16_t>(x));
      break;
    }
    case HostType::Double: {
      double x;
      std::memcpy(&x, field, sizeof x);
      st.BindDouble(index, x);
      break;
    }
  }
}

void BindAll(Prepared& p, const void* record) {
  assert(p.stmt && "only a prepared statement is bound");
  const char* rec = static_cast<const char*>(record);
  for (size_t i = 0; i < p.parameters.size(); ++i) Bind(*p.stmt, static_cast<int>(i) + 1, *p.parameters[i], rec);
}

// Copies the current row into `record`; fails with -1455 when a number does
// not fit its host variable (then `record` may be half written: callers
// pass a scratch copy).
int32_t CopyColumns(Prepared& p, char* record) {
  EngineStatement& st = *p.stmt;
  for (size_t i = 0; i < p.columns.size(); ++i) {
    const HostVar& v = *p.columns[i];
    const int col = static_cast<int>(i);
    char* field = record + v.offset;
    const bool null = st.ColumnIsNull(col);
    switch (v.type) {
      case HostType::String: {
        std::memset(field, 0, v.size);
        if (!null) {
          // Cut to width - 1 characters, within the field's bytes.
          std::string_view text = st.ColumnText(col);
          const size_t n = Utf8Prefix(text, v.width - 1, v.size - 1);
          std::memcpy(field, text.data(), n);
        }
        break;
      }
      case HostType::Int32:
      case HostType::Int16: {
        const int64_t x = null ? 0 : st.ColumnInt(col);
        const bool shortVar = v.type == HostType::Int16;
        const int64_t lo = shortVar ? std::numeric_limits<int16_t>::min() : std::numeric_limits<int32_t>::min();
        const int64_t hi = shortVar ? std::numeric_limits<int16_t>::max() : std::numeric_limits<int32_t>::max();
        if (x < lo || x > hi) return ora::kNumberOverflow;
        const int32_t y = static_cast<int32_t>(x);
        std::memcpy(field, &y, sizeof y);
        break;
      }
      case HostType::Double: {
        const double x = null ? 0.0 : st.ColumnDouble(col);
        std::memcpy(field, &x, sizeof x);
        break;
      }
    }
  }
  return ora::kOk;
}

// Copies the current row through a scratch copy, so that `record` changes
// only when the whole row fits.
int32_t CopyRow(Prepared& p, void* record, size_t size, std::vector<char>& scratch) {
  scratch.assign(static_cast<const char*>(record), static_cast<const char*>(record) + size);
  const int32_t status = CopyColumns(p, scratch.data());
  if (status == ora::kOk) std::memcpy(record, scratch.data(), size);
  return status;
}

Prepared* Ready(const StatementDef& def, int32_t& status) {
  Session* session = CurrentSession();
  if (!session) {
    status = ora::kNotConnected;
    return nullptr;
  }
  Prepared& p = session->Statement(def);
  status = p.status;
  return p.status == ora::kOk ? &p : nullptr;
}

// Runs a prepared write once: 0 when it changed rows, 1403 when none matched.
int32_t RunWrite(Prepared& p, const void* record) {
  ++p.executions;
  BindAll(p, record);
  int32_t status = p.stmt->Step();
  if (status == ora::kNoRow) status = p.stmt->RowsAffected() > 0 ? ora::kOk : ora::kNoRow;
  p.stmt->Reset();
  return status;
}

// The states of a cursor: closed (no flag set; a failed preparation leaves
// its failure to report), open with the first row waiting, open between
// rows, open at its end, or ended by a failure that every fetch reports.
// A row waits, or the end is reached, only while the cursor is open, never
// both at once, and never beside a failure.
void AssertCursorState([[maybe_unused]] const CursorState& c) {
  assert(c.open || (!c.rowWaiting && !c.exhausted));
  assert(!(c.rowWaiting && c.exhausted));
  assert(c.failure == ora::kOk || (!c.rowWaiting && !c.exhausted));
  assert(!c.open || c.prepared.stmt);
}

}  // namespace

int32_t Stmt_SelectInto(const StatementDef& def, void* record) {
  int32_t status;
  Prepared* p = Ready(def, status);
  if (!p) return status;
  ++p->executions;
  BindAll(*p, record);
  status = p->stmt->Step();
  if (status == ora::kOk) status = p->stmt->RowStatus();
  if (status == ora::kOk) {
    const char* rec = static_cast<const char*>(record);
    std::vector<char>& scratch = p->scratch;
    scratch.assign(rec, rec + def.recordSize);
    status = CopyColumns(*p, scratch.data());
    // The single-row check: a second row makes the read fail and write nothing.
    if (status == ora::kOk) {
      const int32_t next = p->stmt->Step();
      if (next == ora::kOk)
        status = ora::kTooManyRows;
      else if (next != ora::kNoRow)
        status = next;
    }
    if (status == ora::kOk) std::memcpy(record, scratch.data(), def.recordSize);
  }
  p->stmt->Reset();
  return status;
}

int32_t Stmt_Write(const StatementDef& def, const void* record) {
  int32_t status;
  Prepared* p = Ready(def, status);
  if (!p) return status;
  EngineConnection& conn = CurrentSession()->Main();
  const std::string savepoint = def.savepoint ? def.savepoint : def.name;
  // A savepoint that met another program's lock beyond the bounded wait
  // (SQLite takes the write lock with it) opened nothing: the statement
  // would only wait out the same lock a second time.
  if (conn.SavepointCommitOnSuccess(savepoint) == ora::kBusy) return ora::kBusy;
  status = RunWrite(*p, record);
  if (status == ora::kOk) {
    const int32_t committed = conn.Commit();
    if (committed != ora::kOk) {
      // Reporting 0 for a row that is not durable would lose it silently.
      conn.Rollback();
      status = committed;
    }
  } else {
    conn.RollbackToSavepoint(savepoint);
  }
  return status;
}

int32_t Stmt_WriteNoSavepoint(const StatementDef& def, const void* record) {
  int32_t status;
  Prepared* p = Ready(def, status);
  if (!p) return status;
  status = CurrentSession()->Main().BeginWrite();
  if (status != ora::kOk) return status;
  return RunWrite(*p, record);
}

int32_t Stmt_Prepare(const StatementDef& def) {
  int32_t status;
  Ready(def, status);
  return status;
}

int32_t Cursor_Prepare(const CursorDef& def) {
  Session* session = CurrentSession();
  if (!session) return ora::kNotConnected;
  return session->Cursor(def).prepared.status;
}

int32_t Cursor_Open(const CursorDef& def, const void* inputRecord) {
  Session* session = CurrentSession();
  if (!session) return ora::kNotConnected;
  CursorState& c = session->Cursor(def);
  AssertCursorState(c);
  if (c.open) c.prepared.stmt->Reset();
  c.open = c.rowWaiting = c.exhausted = false;
  // A query that cannot run at all (a missing table) fails the open, and the
  // fetches report that failure rather than a cursor that is not open.
  c.failure = c.prepared.status;
  if (c.prepared.status != ora::kOk) return c.prepared.status;
  ++c.prepared.executions;
  BindAll(c.prepared, inputRecord);
  // The first step runs the query and fixes its snapshot now, at the open,
  // as Oracle's read consistency has it. The first row, or the failure met
  // on the way to it, waits for the first fetch: its status is that row's.
  const int32_t status = c.prepared.stmt->Step();
  if (status == ora::kOk)
    c.rowWaiting = true;
  else if (status == ora::kNoRow)
    c.exhausted = true;
  else
    c.failure = status;
  c.open = true;
  // The open ends in exactly one of: a row waiting, the end, a failure.
  assert(c.rowWaiting + c.exhausted + (c.failure != ora::kOk) == 1);
  AssertCursorState(c);
  return ora::kOk;
}

int32_t Cursor_Fetch(const CursorDef& def, void* outputRecord) {
  Session* session = CurrentSession();
  if (!session) return ora::kNotConnected;
  CursorState& c = session->Cursor(def);
  AssertCursorState(c);
  if (c.failure != ora::kOk) return c.failure;
  if (!c.open) return ora::kInvalidCursor;
  if (c.exhausted) return ora::kNoRow;
  if (!c.rowWaiting) {
    const int32_t status = c.prepared.stmt->Step();
    if (status == ora::kNoRow)
      c.exhausted = true;
    else if (status != ora::kOk)
      c.failure = status;
    AssertCursorState(c);
    if (status != ora::kOk) return status;
  }
  // A row is on hand: the waiting one, or the one just stepped onto.
  c.rowWaiting = false;
  assert(c.open && !c.exhausted && c.failure == ora::kOk);
  ++c.prepared.rows;
  // A value of this row that could not be converted fails this fetch, and
  // only this one: the next fetch goes on with the next row.
  const int32_t fault = c.prepared.stmt->RowStatus();
  if (fault != ora::kOk) return fault;
  return CopyRow(c.prepared, outputRecord, def.outputRecordSize, c.prepared.scratch);
}

int32_t Cursor_Close(const CursorDef& def) {
  Session* session = CurrentSession();
  if (!session) return ora::kNotConnected;
  CursorState& c = session->Cursor(def);
  AssertCursorState(c);
  c.failure = ora::kOk;
  if (!c.open) return ora::kInvalidCursor;
  c.prepared.stmt->Reset();
  c.open = c.rowWaiting = c.exhausted = false;
  AssertCursorState(c);
  return ora::kOk;
}

}  // namespace zeldb
