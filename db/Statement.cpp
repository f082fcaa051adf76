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

// Reads the numbers of the current row into p.numbers: -1455 when one does
// not fit its host variable. Read before anything is written, so that a row
// is copied into its record whole or not at all. A NULL reads as 0 on every
// engine (db/engine/Engine.h), so no column is asked whether it is NULL.
int32_t CheckNumbers(Prepared& p) {
  EngineStatement& st = *p.stmt;
  for (size_t k = 0; k < p.numberColumns.size(); ++k) {
    const int col = p.numberColumns[k];
    const int64_t x = st.ColumnInt(col);
    const bool shortVar = p.columns[static_cast<size_t>(col)]->type == HostType::Int16;
    const int64_t lo = shortVar ? std::numeric_limits<int16_t>::min() : std::numeric_limits<int32_t>::min();
    const int64_t hi = shortVar ? std::numeric_limits<int16_t>::max() : std::numeric_limits<int32_t>::max();
    if (x < lo || x > hi) return ora::kNumberOverflow;
    p.numbers[k] = x;
  }
  return ora::kOk;
}

// Copies the current row into `record`, its numbers as CheckNumbers read
// them. A NULL text reads as the empty text, a NULL number as 0.
void CopyColumns(Prepared& p, char* record) {
  EngineStatement& st = *p.stmt;
  size_t number = 0;
  for (size_t i = 0; i < p.columns.size(); ++i) {
    const HostVar& v = *p.columns[i];
    const int col = static_cast<int>(i);
    char* field = record + v.offset;
    switch (v.type) {
      case HostType::String: {
        // Cut to width - 1 characters, within the field's bytes; the rest
        // of the field zeroed, terminator included.
        const std::string_view text = st.ColumnText(col);
        const size_t n = Utf8Prefix(text, v.width - 1, v.size - 1);
        if (n > 0) std::memcpy(field, text.data(), n);
        std::memset(field + n, 0, v.size - n);
        break;
      }
      case HostType::Int32:
      case HostType::Int16: {
        const int32_t y = static_cast<int32_t>(p.numbers[number++]);
        std::memcpy(field, &y, sizeof y);
        break;
      }
      case HostType::Double: {
        const double x = st.ColumnDouble(col);
        std::memcpy(field, &x, sizeof x);
        break;
      }
    }
  }
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
  if (status == ora::kOk) status = CheckNumbers(*p);
  if (status == ora::kOk) {
    // The row is copied aside first, into the outputs' fields of a scratch
    // record: the single-row check steps past it, and a second row makes
    // the read fail and write nothing.
    std::vector<char>& scratch = p->scratch;
    if (scratch.size() < def.recordSize) scratch.resize(def.recordSize);
    CopyColumns(*p, scratch.data());
    const int32_t next = p->stmt->Step();
    if (next == ora::kOk)
      status = ora::kTooManyRows;
    else if (next != ora::kNoRow)
      status = next;
    if (status == ora::kOk) {
      char* rec = static_cast<char*>(record);
      for (const HostVar* v : p->columns) std::memcpy(rec + v->offset, scratch.data() + v->offset, v->size);
    }
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
  // Straight into the record: nothing can fail once the numbers fit.
  const int32_t fits = CheckNumbers(c.prepared);
  if (fits != ora::kOk) return fits;
  CopyColumns(c.prepared, static_cast<char*>(outputRecord));
  return ora::kOk;
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
