#include "db/Session.h"

#include <algorithm>
#include <cassert>

#include "util/OraStatus.h"

namespace zeldb {
namespace {

std::unique_ptr<Session>& Current() {
  static std::unique_ptr<Session> session;
  return session;
}

// Pairs the translated text's placeholders with the definition's host
// variables. A placeholder that names an output again (the key of
// "... into :b0:b1 ... where PrvPnr=:b0") is fed from that output's field.
int32_t Plan(const Translation& tr, const std::vector<HostVar>& outputs, const std::vector<HostVar>& inputs,
             bool selectInto, Prepared& p) {
  if (selectInto && tr.outputs.size() != outputs.size()) return ora::kNotAllBound;
  if (!selectInto && !tr.outputs.empty()) return ora::kNotAllBound;
  size_t nextInput = 0;
  std::vector<std::pair<int, const HostVar*>> inputOf;
  for (int placeholder : tr.parameters) {
    auto out = std::find(tr.outputs.begin(), tr.outputs.end(), placeholder);
    if (out != tr.outputs.end()) {
      p.parameters.push_back(&outputs[static_cast<size_t>(out - tr.outputs.begin())]);
      continue;
    }
    // A placeholder the text repeats (positional markers name it once per
    // occurrence) is fed from the input it took at its first appearance.
    auto seen = std::find_if(inputOf.begin(), inputOf.end(), [&](const auto& e) { return e.first == placeholder; });
    if (seen != inputOf.end()) {
      p.parameters.push_back(seen->second);
      continue;
    }
    if (nextInput >= inputs.size()) return ora::kNotAllBound;
    inputOf.emplace_back(placeholder, &inputs[nextInput]);
    p.parameters.push_back(&inputs[nextInput++]);
  }
  if (nextInput != inputs.size()) return ora::kNotAllBound;
  for (const HostVar& v : outputs) {
    if (v.type == HostType::Int32 || v.type == HostType::Int16) p.numberColumns.push_back(static_cast<int>(p.columns.size()));
    p.columns.push_back(&v);
  }
  p.numbers.assign(p.numberColumns.size(), 0);
  // Every parameter of the translated text has its host variable, and every
  // result column its output: the runner binds and copies by these counts.
  assert(p.parameters.size() == tr.parameters.size());
  assert(p.columns.size() == (selectInto ? tr.outputs.size() : outputs.size()));
  return ora::kOk;
}

void PrepareOn(EngineConnection& conn, const char* text, const std::vector<HostVar>& outputs,
               const std::vector<HostVar>& inputs, bool selectInto, Prepared& p) {
  const Translation tr = conn.Render(text);
  if (!tr.ok) {
    p.status = ora::kInvalidSql;
    return;
  }
  ++p.preparations;
  p.status = Plan(tr, outputs, inputs, selectInto, p);
  if (p.status == ora::kOk) p.status = conn.Prepare(tr.sql, p.stmt);
}

}  // namespace

Session::Session(std::unique_ptr<EngineConnection> main) : main_(std::move(main)) {}

Session::~Session() {
  // Statements before their connections.
  for (auto& [def, cursor] : cursors_) cursor.prepared.stmt.reset();
  cursors_.clear();
  statements_.clear();
}

Prepared& Session::Statement(const StatementDef& def) {
  // A failed preparation (a busy schema lock, a table created later) is
  // tried again on the next use; a successful one is kept for the run.
  Recent<StatementDef, Prepared>& recent = recentStatements_[RecentSlot(&def)];
  if (recent.def != &def) recent = {&def, &statements_[&def]};
  Prepared& p = *recent.entry;
  if (!p.stmt) {
    p.parameters.clear();
    p.columns.clear();
    p.numberColumns.clear();
    PrepareOn(*main_, def.text, def.outputs, def.inputs, def.kind == StmtKind::SelectInto, p);
  }
  return p;
}

CursorState& Session::Cursor(const CursorDef& def) {
  Recent<CursorDef, CursorState>& recent = recentCursors_[RecentSlot(&def)];
  if (recent.def != &def) recent = {&def, &cursors_[&def]};
  CursorState& c = *recent.entry;
  if (!c.prepared.stmt) {
    c.prepared.status = ora::kOk;
    c.prepared.parameters.clear();
    c.prepared.columns.clear();
    c.prepared.numberColumns.clear();
    if (!c.connection) c.prepared.status = main_->OpenCursorConnection(c.connection);
    if (c.prepared.status == ora::kOk) PrepareOn(*c.connection, def.text, def.outputs, def.inputs, false, c.prepared);
  }
  return c;
}

std::vector<StatementUse> Session::Uses() const {
  std::vector<StatementUse> uses;
  for (const auto& [def, p] : statements_) {
    const char kind = def->kind == StmtKind::SelectInto ? 'r' : 'w';
    uses.push_back({def->name, kind, p.preparations, p.executions, p.rows});
  }
  for (const auto& [def, c] : cursors_)
    uses.push_back({def->name, 'c', c.prepared.preparations, c.prepared.executions, c.prepared.rows});
  return uses;
}

Session* CurrentSession() { return Current().get(); }

void InstallSession(std::unique_ptr<Session> session) { Current() = std::move(session); }

}  // namespace zeldb
