#include "db/DbstdVerify.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string_view>

#include "db/Session.h"
#include "db/Statement.h"
#include "db/engine/Dialect.h"
#include "db/engine/Engine.h"
#include "db/schema/Schema.h"
#include "db/tables/DbstdCatalog.h"
#include "util/OraStatus.h"

namespace zeldb {
namespace {

// Values that no row holds: a text key of this character as wide as its
// host variable (wider than any real key of its column), the first day of
// 1800, and a negative number of one digit, which any number column takes
// (a wider one could be refused by a site's NUMBER(1) column and be
// reported as a fault the job never meets).
constexpr char kMarker = '~';
constexpr const char* kNoDay = "18000101";
constexpr const char* kNoInstant = "18000101000000";
constexpr const char* kNoTime = "000000";
constexpr int32_t kNoNumber = -9;

// Columns that the records hold narrower than the schema by design: AswErf
// is read into the 8 places that the download table's PrvErf takes over.
const std::map<std::string, int, std::less<>> kRecordNarrower = {{"AswErf", 8}};

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool WordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Whether `text` names `word` (any case) as a whole word.
bool Names(const std::string& lowerText, const std::string& word) {
  const std::string w = Lower(word);
  for (size_t at = lowerText.find(w); at != std::string::npos; at = lowerText.find(w, at + 1)) {
    const bool before = at == 0 || !WordChar(lowerText[at - 1]);
    const bool after = at + w.size() >= lowerText.size() || !WordChar(lowerText[at + w.size()]);
    if (before && after) return true;
  }
  return false;
}

// The format of "TO_DATE(:bN,'fmt')" for each placeholder N the text converts so.
std::map<int, std::string> DateFormats(const char* text) {
  std::map<int, std::string> formats;
  const std::string lower = Lower(text);
  const std::string open = "to_date(:b";
  for (size_t at = lower.find(open); at != std::string::npos; at = lower.find(open, at + 1)) {
    size_t i = at + open.size();
    const int placeholder = std::atoi(lower.c_str() + i);
    while (i < lower.size() && std::isdigit(static_cast<unsigned char>(lower[i]))) ++i;
    const size_t quote = lower.find('\'', i);
    const size_t end = quote == std::string::npos ? quote : lower.find('\'', quote + 1);
    if (lower.compare(i, 1, ",") == 0 && end != std::string::npos)
      formats[placeholder] = lower.substr(quote + 1, end - quote - 1);
  }
  return formats;
}

void FillField(char* record, const HostVar& v, const std::string& format) {
  char* field = record + v.offset;
  switch (v.type) {
    case HostType::String: {
      std::string value;
      if (format == "yyyymmdd")
        value = kNoDay;
      else if (format == "yyyymmddhh24miss")
        value = kNoInstant;
      else if (format == "hh24miss")
        value = kNoTime;
      else
        value.assign(v.width - 1, kMarker);
      std::memset(field, 0, v.size);
      std::memcpy(field, value.data(), std::min<size_t>(value.size(), v.size - 1));
      break;
    }
    case HostType::Int32:
    case HostType::Int16:
      std::memcpy(field, &kNoNumber, sizeof kNoNumber);
      break;
    case HostType::Double: {
      const double x = kNoNumber;
      std::memcpy(field, &x, sizeof x);
      break;
    }
  }
}

// Fills every host variable of a statement in `record`, each as the text
// uses it: a placeholder inside TO_DATE gets a valid day. The placeholders
// pair with the variables as the session pairs them (db/Session.cpp): the
// into list with the outputs, the rest with the inputs in order of first
// appearance.
void Fill(const char* text, const std::vector<HostVar>& outputs, const std::vector<HostVar>& inputs, bool selectInto,
          std::vector<char>& record) {
  const std::map<int, std::string> formats = DateFormats(text);
  const Translation tr = Translate_Markers(text);
  const auto formatOf = [&](int placeholder) {
    const auto f = formats.find(placeholder);
    return f == formats.end() ? std::string() : f->second;
  };
  for (const HostVar& v : outputs) FillField(record.data(), v, "");
  std::vector<int> seen;
  size_t next = 0;
  for (int placeholder : tr.parameters) {
    if (selectInto && std::find(tr.outputs.begin(), tr.outputs.end(), placeholder) != tr.outputs.end()) continue;
    if (std::find(seen.begin(), seen.end(), placeholder) != seen.end()) continue;
    seen.push_back(placeholder);
    if (next < inputs.size()) FillField(record.data(), inputs[next++], formatOf(placeholder));
  }
  for (; next < inputs.size(); ++next) FillField(record.data(), inputs[next], "");
}

const char* KindOf(StmtKind kind) {
  switch (kind) {
    case StmtKind::SelectInto:
      return "select";
    case StmtKind::Insert:
      return "insert";
    case StmtKind::Update:
      return "update";
    case StmtKind::Delete:
      return "delete";
  }
  return "";
}

// What a failure that no server described means: the module's own words
// for the status (util/OraStatus.cpp), the one table that says them.
std::string OwnWords(int32_t status) {
  const std::string meaning = Ora_StatusMeaning(status);
  return meaning.empty() ? "no message from the server" : meaning;
}

void Finish(VerifiedStatement& v, int32_t status, bool ok, std::string message) {
  v.status = status;
  v.ok = ok;
  v.tried = true;
  if (!ok) v.message = message.empty() ? OwnWords(status) : std::move(message);
}

VerifiedStatement TrySelect(Session& session, const StatementDef& def) {
  VerifiedStatement v{def.name, KindOf(def.kind), 0, false, false, {}};
  std::vector<char> record(std::max<size_t>(def.recordSize, 1));
  Fill(def.text, def.outputs, def.inputs, true, record);
  session.Main().TakeFailureMessage();
  const int32_t status = Stmt_SelectInto(def, record.data());
  const bool ok = status == ora::kOk || status == ora::kNoRow || status == ora::kTooManyRows;
  Finish(v, status, ok, ok ? std::string() : session.Main().TakeFailureMessage());
  return v;
}

VerifiedStatement TryCursor(Session& session, const CursorDef& def) {
  VerifiedStatement v{def.name, "cursor", 0, false, false, {}};
  std::vector<char> input(std::max<size_t>(def.inputRecordSize, 1));
  std::vector<char> output(std::max<size_t>(def.outputRecordSize, 1));
  Fill(def.text, {}, def.inputs, false, input);
  // The cursor's connection is its own and new: a failure on it is this one's.
  int32_t status = Cursor_Open(def, input.data());
  if (status == ora::kOk) status = Cursor_Fetch(def, output.data());
  Cursor_Close(def);
  const bool ok = status == ora::kOk || status == ora::kNoRow;
  EngineConnection* conn = session.Cursor(def).connection.get();
  Finish(v, status, ok, ok || !conn ? std::string() : conn->TakeFailureMessage());
  return v;
}

VerifiedStatement TryWrite(Session& session, const StatementDef& def) {
  VerifiedStatement v{def.name, KindOf(def.kind), 0, false, false, {}};
  std::vector<char> record(std::max<size_t>(def.recordSize, 1));
  Fill(def.text, def.outputs, def.inputs, false, record);
  session.Main().TakeFailureMessage();
  const int32_t status = Stmt_WriteNoSavepoint(def, record.data());
  const bool ok = status == ora::kOk || status == ora::kNoRow;
  Finish(v, status, ok, ok ? std::string() : session.Main().TakeFailureMessage());
  return v;
}

// The order of the writes: inserts, updates, deletes by key, deletes of all rows.
int WriteRank(const StatementDef& def) {
  switch (def.kind) {
    case StmtKind::Insert:
      return 0;
    case StmtKind::Update:
      return 1;
    default:
      return def.inputs.empty() ? 3 : 2;
  }
}

void CheckWidths(EngineConnection& conn, const std::vector<std::string>& lowerTexts, VerifyReport& report) {
  for (const TableSpec& table : Schema_Tables()) {
    std::vector<const std::string*> naming;
    for (const std::string& text : lowerTexts)
      if (Names(text, table.name)) naming.push_back(&text);
    if (naming.empty()) continue;
    const std::string engineName = Schema_TableName(table, conn.Flavor());
    const std::string shownName = table.masterSchema ? std::string(kMasterSchema) + "." + table.name : table.name;
    for (const ColumnSpec& column : table.columns) {
      if (column.kind != ColumnKind::Text) continue;
      if (std::none_of(naming.begin(), naming.end(), [&](const std::string* t) { return Names(*t, column.name); }))
        continue;
      const auto narrower = kRecordNarrower.find(column.name);
      const int record = narrower == kRecordNarrower.end() ? column.width : narrower->second;
      int width = 0;
      conn.TakeFailureMessage();
      const int32_t status = conn.ColumnWidth(engineName, column.name, width);
      // A missing table or column fails its statements, which say so.
      if (status == ora::kNoRow) continue;
      if (status != ora::kOk) {
        report.narrow.push_back({shownName, column.name, 0, record, status, conn.TakeFailureMessage()});
      } else if (width > 0 && width < record) {
        report.narrow.push_back({shownName, column.name, width, record, ora::kOk, {}});
      }
    }
  }
}

bool Chosen(bool all, const char* name) {
  if (all) return true;
  const auto& names = Dbstd_JobStatementNames();
  return std::find(names.begin(), names.end(), std::string_view(name)) != names.end();
}

}  // namespace

int VerifyReport::Failed() const {
  return static_cast<int>(std::count_if(statements.begin(), statements.end(), [](const VerifiedStatement& v) {
    return !v.ok;
  }));
}

int32_t Dbstd_Verify(bool all, VerifyReport& report) {
  Session* session = CurrentSession();
  if (!session) return ora::kNotConnected;
  std::vector<const StatementDef*> reads, writes;
  std::vector<const CursorDef*> cursors;
  std::vector<std::string> texts;
  for (const StatementDef* def : Dbstd_Statements()) {
    if (!Chosen(all, def->name)) continue;
    (def->kind == StmtKind::SelectInto ? reads : writes).push_back(def);
    texts.push_back(Lower(def->text));
  }
  for (const CursorDef* def : Dbstd_Cursors()) {
    if (!Chosen(all, def->name)) continue;
    cursors.push_back(def);
    texts.push_back(Lower(def->text));
  }
  std::stable_sort(writes.begin(), writes.end(),
                   [](const StatementDef* a, const StatementDef* b) { return WriteRank(*a) < WriteRank(*b); });

  EngineConnection& main = session->Main();
  CheckWidths(main, texts, report);
  for (const StatementDef* def : reads) report.statements.push_back(TrySelect(*session, *def));
  for (const CursorDef* def : cursors) report.statements.push_back(TryCursor(*session, *def));
  // One transaction for every write, never committed.
  for (const StatementDef* def : writes) {
    if (report.locked) {
      VerifiedStatement skipped{def->name, KindOf(def->kind), ora::kBusy, false, false, "not sent"};
      report.statements.push_back(skipped);
      continue;
    }
    report.statements.push_back(TryWrite(*session, *def));
    report.locked = report.statements.back().status == ora::kBusy;
  }
  main.Rollback();
  return ora::kOk;
}

}  // namespace zeldb
