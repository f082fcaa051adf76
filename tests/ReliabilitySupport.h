// Helpers of the reliability tests: a large installation built from the
// benchmark generator, processes that can be killed or raced, dumps of the
// download table, and the shape checks of the two logs.
//
// The prepared state ("before") of a large installation comes from
// `zelbench generate` on a SQLite file: a U run fills Mvs510Prv, then
// `zelbench change` changes the master data of a share of the persons and a
// share of the download rows is deleted, so that the next U inserts, corrects
// and checks, and the next A checks and stores thousands of rows. On
// PostgreSQL the prepared tables are copied row by row into a fresh database.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "DbClient.h"
#include "InstallationSupport.h"
#include "LogTestSupport.h"
#include "TestSupport.h"
#include "db/EngineFactory.h"
#include "db/Session.h"
#include "db/engine/Engine.h"
#include "db/schema/Schema.h"
#include "jobs/RunStamp.h"
#include "log/MsgLog.h"
#include "platform/Clock.h"
#include "tools/platform/ChildProgram.h"

namespace zeltest {

// ---------------------------------------------------------------- processes

// A program started without waiting; its output is appended to `outputFile`
// (or dropped).
using Child = PlatProcess;

inline Child Spawn(const std::vector<std::string>& argv, const fs::path& cwd, const std::string& outputFile = "") {
  return PlatProcess::Start({argv, cwd.string(), "", outputFile.empty() ? PlatOutput::Discard : PlatOutput::Append,
                             outputFile});
}

// Outcome of waiting for a child.
struct Ended {
  bool exited = false;   // ended by itself
  int exitCode = -1;     // its exit code when it did
  bool killed = false;   // ended by SIGKILL (ours or the safety net's)
  bool hung = false;     // still running at the safety bound: killed then
  double seconds = 0;    // from start to end
};

inline Ended EndedOf(const PlatExit& e) {
  Ended ended;
  ended.exited = e.exited;
  ended.exitCode = e.exitCode;
  ended.killed = e.killed;
  ended.seconds = e.wallSeconds;
  return ended;
}

// Waits for the child. The bound is a safety net against a hanging program,
// far above any normal run; a child still running then is killed and
// reported as hung.
inline Ended WaitChild(Child& child, std::chrono::seconds safetyBound = std::chrono::seconds(120)) {
  if (const std::optional<PlatExit> e = child.WaitUntil(child.startedAt() + safetyBound)) return EndedOf(*e);
  Ended e = EndedOf(child.Kill());
  e.hung = true;
  return e;
}
inline Ended WaitChild(Child&& child, std::chrono::seconds safetyBound = std::chrono::seconds(120)) {
  return WaitChild(child, safetyBound);
}

// Kills the child with SIGKILL once `delay` has passed since its start (or
// finds it ended before).
inline Ended KillAfter(Child&& child, std::chrono::microseconds delay) {
  if (const std::optional<PlatExit> e = child.WaitUntil(child.startedAt() + delay)) return EndedOf(*e);
  return EndedOf(child.Kill());
}

// ------------------------------------------------------------ log shapes

// What is wrong with a job log's text ("" when nothing): every line ends
// with CR LF and is a run header, an empty line closing a section, or a job
// line ("PNR: ..." of the checks, "Pnr: ..." of the update job).
inline std::string JobLogDefect(const std::string& text) {
  // "Datum: dd.mm.yyyy  Uhrzeit: hh:mm:ss", digits where the pattern has 9.
  auto isHeader = [](const std::string& line) {
    static const std::string pattern = "Datum: 99.99.9999  Uhrzeit: 99:99:99";
    if (line.size() != pattern.size()) return false;
    for (size_t i = 0; i < line.size(); ++i) {
      if (pattern[i] == '9' ? !std::isdigit(static_cast<unsigned char>(line[i])) : line[i] != pattern[i]) return false;
    }
    return true;
  };
  size_t pos = 0;
  int lineNo = 0;
  while (pos < text.size()) {
    ++lineNo;
    const size_t lf = text.find('\n', pos);
    if (lf == std::string::npos) return "line " + std::to_string(lineNo) + " has no line end: " + text.substr(pos);
    if (lf == pos || text[lf - 1] != '\r') return "line " + std::to_string(lineNo) + " ends without CR";
    const std::string line = text.substr(pos, lf - 1 - pos);
    if (line.find('\r') != std::string::npos || line.find('\0') != std::string::npos)
      return "line " + std::to_string(lineNo) + " holds a stray byte";
    const bool known = line.empty() || isHeader(line) || line.rfind("PNR: ", 0) == 0 ||
                       line.rfind("Pnr: ", 0) == 0;
    if (!known) return "line " + std::to_string(lineNo) + " is no job-log line: " + line;
    pos = lf + 1;
  }
  return "";
}

// One parsed message-log entry.
struct LogEntry {
  std::string kinds, message, function, code;
};

// Splits a message log into whole entries; `defect` names the first place
// that is not a whole entry (a torn or foreign piece).
inline std::vector<LogEntry> ParseMessageLog(const std::string& text, std::string& defect) {
  std::vector<LogEntry> out;
  defect.clear();
  size_t pos = 0;
  // The next line, which must begin with `label`; its rest goes to `value`.
  auto line = [&](const char* label, std::string* value) {
    const size_t end = text.find("\r\n", pos);
    if (end == std::string::npos || text.compare(pos, std::strlen(label), label) != 0) return false;
    const std::string rest = text.substr(pos + std::strlen(label), end - pos - std::strlen(label));
    if (rest.find('\n') != std::string::npos || rest.find('\xFE') != std::string::npos) return false;
    if (value) *value = rest;
    pos = end + 2;
    return true;
  };
  auto shaped = [](const std::string& v, const char* pattern) {  // '9' stands for a digit
    if (v.size() != std::strlen(pattern)) return false;
    for (size_t i = 0; i < v.size(); ++i)
      if (pattern[i] == '9' ? !std::isdigit(static_cast<unsigned char>(v[i])) : v[i] != pattern[i]) return false;
    return true;
  };
  while (pos < text.size()) {
    const size_t start = pos;
    LogEntry e;
    std::string date, time;
    const bool whole = line("\xFE", nullptr) && line("System-Date: ", &date) && shaped(date, "99.99.99") &&
                       line("System-Time: ", &time) && shaped(time, "99:99:99") && line("MsgArt_____: ", &e.kinds) &&
                       line("Message____: ", &e.message) && line("Funktion___: ", &e.function) &&
                       line("ErrorCode__: ", &e.code) && !e.code.empty() &&
                       e.code.find_first_not_of("-0123456789") == std::string::npos;
    if (!whole) {
      defect = "no whole entry at byte " + std::to_string(start) + ": " + text.substr(start, 80);
      return out;
    }
    // The block of SMSG (CR LF CR LF) follows the header.
    if (e.kinds.find("SMSG") != std::string::npos && text.compare(pos, 4, "\r\n\r\n") == 0) pos += 4;
    out.push_back(std::move(e));
  }
  return out;
}

// --------------------------------------------------------- table dumps

// Mvs510Prv as person number -> every other column but PrvDat (the instant
// of the last change, which no two runs share), joined by '|'.
using PrvDump = std::map<std::string, std::string>;

inline std::string PrvColumnsButDat() {
  std::string columns;
  for (const zeldb::TableSpec& t : zeldb::Schema_Tables()) {
    if (std::string(t.name) != "Mvs510Prv") continue;
    for (const zeldb::ColumnSpec& c : t.columns) {
      if (std::string(c.name) == "PrvDat") continue;
      if (!columns.empty()) columns += ',';
      columns += c.name;
    }
  }
  return columns;
}

inline PrvDump DumpPrv(DbClient& db, const std::string& table = "Mvs510Prv") {
  PrvDump dump;
  for (const std::string& row : db.Rows("select " + PrvColumnsButDat() + " from " + table + " order by PrvPnr")) {
    dump[row.substr(0, row.find('|'))] = row;
  }
  return dump;
}

// --------------------------------------------------------- installations

// A SQLite database file as rows: every table of the schema, read with the
// SQLite API (independent of the engine the run tests).
inline std::vector<std::vector<std::optional<std::string>>> SqliteRows(const std::string& file,
                                                                       const std::string& sql) {
  std::vector<std::vector<std::optional<std::string>>> rows;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << "cannot open " << file;
    sqlite3_close_v2(db);
    return rows;
  }
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) ADD_FAILURE() << sqlite3_errmsg(db) << sql;
  while (st && sqlite3_step(st) == SQLITE_ROW) {
    std::vector<std::optional<std::string>> row;
    for (int c = 0; c < sqlite3_column_count(st); ++c) {
      const unsigned char* t = sqlite3_column_text(st, c);
      row.push_back(t ? std::optional<std::string>(reinterpret_cast<const char*>(t)) : std::nullopt);
    }
    rows.push_back(std::move(row));
  }
  sqlite3_finalize(st);
  sqlite3_close_v2(db);
  return rows;
}

inline std::string SqlLiteral(const std::optional<std::string>& v) {
  if (!v) return "NULL";
  std::string out = "'";
  for (char c : *v) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

// Copies every row of every table of the SQLite file `from` into the
// database of `to` (which has the schema and empty tables).
inline void CopyTables(const std::string& from, DbClient& to) {
  for (const zeldb::TableSpec& t : zeldb::Schema_Tables()) {
    std::string columns;
    for (const zeldb::ColumnSpec& c : t.columns) {
      if (!columns.empty()) columns += ',';
      columns += c.name;
    }
    const auto rows = SqliteRows(from, "select " + columns + " from " + t.name);
    const std::string target = std::string(t.masterSchema ? "MvSystem." : "") + t.name;
    for (size_t start = 0; start < rows.size(); start += 1000) {
      std::string sql = "insert into " + target + " (" + columns + ") values ";
      for (size_t i = start; i < rows.size() && i < start + 1000; ++i) {
        sql += i == start ? "(" : ",(";
        for (size_t c = 0; c < rows[i].size(); ++c) {
          if (c) sql += ',';
          sql += SqlLiteral(rows[i][c]);
        }
        sql += ")";
      }
      to.Exec(sql);
    }
  }
}

// An installation of InstallationSupport.h whose database the test lays
// down itself (Prepare), with runs that can be started without waiting,
// killed or raced.
class ReliabilityInstallation : public Installation {
 public:
  ReliabilityInstallation() : Installation(Data::kNone) {}

  // The prepared state of `persons` persons (see the file's head): the
  // master data of `changedPercent` % of them changed since the download
  // rows were last brought in line, `droppedPercent` % of the rows gone.
  void Prepare(int persons, unsigned seed, double changedPercent, int droppedPercent) {
    TempDir prep;
    const fs::path work = prep.path() / "system" / "jobs" / "zelwrkjob" / "work";
    fs::create_directories(work / "Msg");
    const std::string file = (prep.path() / "files" / "zel.db").string();
    fs::create_directories(prep.path() / "files");
    auto g = RunProcess({Program("zelbench"), "generate", "--persons", std::to_string(persons), "--seed",
                         std::to_string(seed), file},
                        prep.path());
    ASSERT_EQ(g.exitCode, 0) << g.output;
    auto c = RunProcess({Program("zelcfg"), "set", "--create", "--file", (prep.path() / "files" / "veldoran.ini").string(),
                         "--login", "zel", "--net8", "..\\..\\..\\..\\files\\zel.db"},
                        prep.path(), "secret\n");
    ASSERT_EQ(c.exitCode, 0) << c.output;
    auto u = RunProcess({Program("zelwrkjob"), "U"}, work);
    ASSERT_EQ(u.exitCode, 0) << u.output;
    auto ch = RunProcess({Program("zelbench"), "change", "--share", std::to_string(changedPercent), "--seed",
                          std::to_string(seed + 1), file},
                         prep.path());
    ASSERT_EQ(ch.exitCode, 0) << ch.output;
    {
      sqlite3* db = nullptr;
      ASSERT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
      const std::string drop = "delete from Mvs510Prv where abs(cast(PrvPnr as integer) * 7919) % 100 < " +
                               std::to_string(droppedPercent) + "; pragma wal_checkpoint(truncate)";
      EXPECT_EQ(sqlite3_exec(db, drop.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
      sqlite3_close_v2(db);
    }
    if (OnPostgres()) {
      auto s = RunProcess({Program("zelsetup"), "schema", SetupTarget()}, Root());
      ASSERT_EQ(s.exitCode, 0) << s.output;
      CopyTables(file, Db());
    } else {
      fs::copy_file(file, DbFile(), fs::copy_options::overwrite_existing);
    }
    Configure();
    // The prepared download rows, kept beside the table so that every kill
    // sequence can start again from them.
    Db().Exec("create table zel_prv_before as select * from Mvs510Prv");
  }

  // Mvs510Prv back to the prepared rows; the two logs emptied.
  void Restore() {
    Db().Exec("delete from Mvs510Prv");
    Db().Exec("insert into Mvs510Prv select * from zel_prv_before");
    ClearLogs();
  }

  void ClearLogs() const {
    std::error_code ec;
    for (const char* name : {"ZelWrkJob.txt", "ZelWrkJob.old", "WrkJobLog.Txt", "ZelDnlStd.Txt"})
      fs::remove(Msg() / name, ec);
  }

  std::vector<std::string> JobArgv(const std::vector<std::string>& args) const {
    std::vector<std::string> argv{Program("zelwrkjob")};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
  }
  Child Start(const std::vector<std::string>& args) const { return Spawn(JobArgv(args), Work()); }
  // Runs zelwrkjob to its end (or the safety bound).
  Ended Run(const std::vector<std::string>& args) const { return WaitChild(Start(args)); }

  // The message log's entries as "function|message|code"; a torn piece
  // fails the test.
  std::vector<std::string> Entries() const {
    std::string defect;
    std::vector<std::string> out;
    for (const LogEntry& e : ParseMessageLog(MessageLog(), defect)) out.push_back(e.function + "|" + e.message + "|" + e.code);
    EXPECT_EQ(defect, "");
    return out;
  }
};

// Runs a job in this process against the installation's database, as the
// entry point would run it (with a stamp of now), with its logs in a
// scratch directory.
inline void InProcess(ReliabilityInstallation& inst, const std::function<void(const RunStamp&)>& job) {
  TempDir scratch;
  fs::create_directories(scratch / "Msg");
  ScopedCwd cwd(scratch.path());
  MsgLog_ResetForTest();
  MsgLog_Setup(FMSG | SMSG | DMSG, ".\\Msg\\ZelWrkJob.txt");
  const RunStamp run = RunStamp_Fix(Plat_Now());
  std::unique_ptr<zeldb::EngineConnection> connection;
  ASSERT_EQ(zeldb::Engine_Connect({OnPostgres() ? "postgres" : "", "", inst.EngineTarget()}, connection), 0);
  zeldb::InstallSession(std::make_unique<zeldb::Session>(std::move(connection)));
  job(run);
  zeldb::InstallSession(nullptr);
  MsgLog_ResetForTest();
  EXPECT_FALSE(fs::exists(scratch / "Msg" / "ZelWrkJob.txt")) << ReadFile(scratch / "Msg" / "ZelWrkJob.txt");
}

// A whole-number setting from the environment (scripts/crashtest passes the
// long run's figures this way), or `fallback`.
// Keeps a file or directory immutable for the scope (`chattr +i`: not even
// root may write, create or delete; root ignores file modes).
class Immutable {
 public:
  explicit Immutable(const fs::path& path) : path_(path) {
    set_ = RunProcess({"/usr/bin/chattr", "+i", path_.string()}, "/").exitCode == 0;
  }
  ~Immutable() {
    if (set_) RunProcess({"/usr/bin/chattr", "-i", path_.string()}, "/");
  }
  Immutable(const Immutable&) = delete;
  Immutable& operator=(const Immutable&) = delete;
  bool set() const { return set_; }

 private:
  fs::path path_;
  bool set_ = false;
};

#define REQUIRE_IMMUTABLE(guard) \
  if (!(guard).set()) GTEST_SKIP() << "chattr +i is not available here"

inline long EnvNumber(const char* name, long fallback) {
  const char* v = std::getenv(name);
  if (!v || !*v) return fallback;
  char* end = nullptr;
  const long n = std::strtol(v, &end, 10);
  return *end == '\0' ? n : fallback;
}

}  // namespace zeltest
