// A bench for the change checks and the jobs run in this process: a real
// database (DbTestSupport.h) with helpers for master data and download rows,
// a working directory with Msg/ where the jobs write their two logs, the
// message log set up as the entry point does it, and a run stamp (`run`)
// whose RunDate is today and whose RunHeader is a known header.
//
// Rows are written and compared in one text layout,
//   "Awn|Gvo|Gbi|Erf|Dna|Awa|Dwn|Kst|Nam|Str|Ort"
// (trailing fields may be left out: empty texts, PrvAwa 0), and day texts in
// tables are written as offsets from today in braces: "{-3}" is Day(-3).
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "DbTestSupport.h"
#include "LogTestSupport.h"
#include "db/Dbstd.h"
#include "jobs/RunStamp.h"
#include "log/MsgLog.h"

namespace zeltest {

constexpr const char* kTestHeader = "Datum: 07.12.2026  Uhrzeit: 09:41:07\n";
constexpr const char* kTestHeaderLine = "Datum: 07.12.2026  Uhrzeit: 09:41:07";

// Replaces every "{n}" in `text` by Day(n).
inline std::string Days(const std::string& text) {
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t open = text.find('{', pos);
    if (open == std::string::npos) break;
    const size_t close = text.find('}', open);
    out += text.substr(pos, open - pos) + Day(std::stoi(text.substr(open + 1, close - open - 1)));
    pos = close + 1;
  }
  return out + text.substr(pos < text.size() ? pos : text.size());
}

inline std::vector<std::string> SplitBars(const std::string& text) {
  std::vector<std::string> parts;
  size_t pos = 0;
  for (;;) {
    const size_t bar = text.find('|', pos);
    parts.push_back(text.substr(pos, bar == std::string::npos ? std::string::npos : bar - pos));
    if (bar == std::string::npos) return parts;
    pos = bar + 1;
  }
}

// A record of person `pnr` from the row layout (days in braces allowed).
inline PrvRecord RowOf(const std::string& pnr, const std::string& layout) {
  std::vector<std::string> f = SplitBars(Days(layout));
  f.resize(11);
  PrvRecord r{};
  r.PrvPnr = pnr;
  r.PrvAwn = f[0];
  r.PrvGvo = f[1];
  r.PrvGbi = f[2];
  r.PrvErf = f[3];
  r.PrvDna = f[4];
  r.PrvAwa = f[5].empty() ? 0 : std::stoi(f[5]);
  r.PrvDwn = f[6];
  r.PrvKst = f[7];
  r.PrvNam = f[8];
  r.PrvStr = f[9];
  r.PrvOrt = f[10];
  return r;
}

inline std::string LayoutOf(const PrvRecord& r) {
  return r.PrvAwn.str() + "|" + r.PrvGvo.str() + "|" + r.PrvGbi.str() + "|" + r.PrvErf.str() + "|" + r.PrvDna.str() +
         "|" + std::to_string(r.PrvAwa) + "|" + r.PrvDwn.str() + "|" + r.PrvKst.str() + "|" + r.PrvNam.str() + "|" +
         r.PrvStr.str() + "|" + r.PrvOrt.str();
}

// The layout normalised: days expanded, left-out fields filled in.
inline std::string Layout(const std::string& layout) { return LayoutOf(RowOf("", layout)); }

// The stored form of a "yyyymmdd" text for SQL, NULL for the empty text.
inline std::string SqlDay(const std::string& day) {
  if (day.empty()) return "NULL";
  std::string sql = "'";
  sql.append(day, 0, 4).append("-").append(day, 4, 2).append("-").append(day, 6, 2).append(" 00:00:00'");
  return sql;
}

// The row layout of one person's Mvs510Prv row as the query reads it.
inline std::string RowLayoutQuery(const std::string& pnr) {
  auto day = [](const char* c) { return std::string("coalesce(replace(substr(") + c + ",1,10),'-',''),'')"; };
  auto text = [](const char* c) { return std::string("coalesce(") + c + ",'')"; };
  return "select " + text("PrvAwn") + "," + day("PrvGvo") + "," + day("PrvGbi") + "," + text("PrvErf") + "," +
         text("PrvDna") + "," + "coalesce(cast(PrvAwa as text),'')" + "," + text("PrvDwn") + "," + text("PrvKst") + "," + text("PrvNam") +
         "," + text("PrvStr") + "," + text("PrvOrt") + " from Mvs510Prv where PrvPnr='" + pnr + "'";
}

// A job's section of the job log as JobBench::JobLines() reads it: the
// bench's header, `lines`, the closing empty line.
inline std::vector<std::string> Section(std::vector<std::string> lines) {
  lines.insert(lines.begin(), kTestHeaderLine);
  lines.push_back("");
  return lines;
}

class JobBench {
 public:
  JobBench() : cwd_(db.Dir().path()) {
    fs::create_directories(db.Dir() / "Msg");
    MsgLog_ResetForTest();
    MsgLog_Setup(FMSG | SMSG | DMSG, ".\\Msg\\ZelWrkJob.txt");
    std::snprintf(run.RunDate, sizeof run.RunDate, "%s", Day(0).c_str());
    std::snprintf(run.RunHeader, sizeof run.RunHeader, "%s", kTestHeader);
  }
  ~JobBench() { MsgLog_ResetForTest(); }
  JobBench(const JobBench&) = delete;
  JobBench& operator=(const JobBench&) = delete;

  TestDatabase db;
  RunStamp run;

  // Master data. Days are "yyyymmdd" texts or "{n}"; "" is an open end.
  void Person(const std::string& pnr, const std::string& name = "Adler, Jonas",
              const std::string& street = "Lindenweg 4", const std::string& town = "Ravensbrook") {
    db.Exec("insert into Mvs300Pnr values ('" + pnr + "','" + name + "','" + street + "','" + town + "')");
  }
  void Employment(const std::string& pnr, const std::string& from, const std::string& to = "") {
    db.Exec("insert into Mvs310Bsv values ('" + pnr + "'," + SqlDay(Days(from)) + "," + SqlDay(Days(to)) + ")");
  }
  void CostCentre(const std::string& pnr, const std::string& kst, int dayOffset = 0) {
    db.Exec("insert into Mvs329Ztg values ('" + pnr + "','" + StoredDay(dayOffset) + "','" + kst + "')");
  }
  // "badge|first day|last day|person|recorder mark[|recorded instant]"; the
  // instant is stored as it stands, in the engine's own stored form.
  void Assignment(const std::string& row) {
    std::vector<std::string> f = SplitBars(Days(row));
    f.resize(6);
    if (f[5].empty()) f[5] = StoredDay(-40);
    db.Exec("insert into Mvs301Asw (AswNum,AswGvo,AswGbi,AswPnr,AswErf,AswDat) values ('" + f[0] + "'," +
            SqlDay(f[1]) + "," + SqlDay(f[2]) + ",'" + f[3] + "','" + f[4] + "','" + f[5] + "')");
  }
  // Calendar rows for the days from today+`from` to today+`to`.
  void Calendar(int from = -40, int to = 40) {
    for (int d = from; d <= to; ++d) db.Exec("insert into Mvs133Bak (BakDtm) values ('" + StoredDay(d) + "')");
  }
  // A download row as the layout gives it (PrvSta and PrvPzm 1).
  void Row(const std::string& pnr, const std::string& layout) {
    PrvRecord r = RowOf(pnr, layout);
    r.PrvSta = r.PrvPzm = 1;
    ASSERT_EQ(Prv_PKeyIns(r), 0) << pnr;
  }

  // The person's stored row in the layout, or "<none>".
  std::string StoredRow(const std::string& pnr) { return db.Value(RowLayoutQuery(pnr)); }

  fs::path MsgDir() const { return db.Dir() / "Msg"; }
  std::vector<std::string> Entries() const { return EntriesOf(ReadFile(MsgDir() / "ZelWrkJob.txt")); }
  std::string JobLogText() const { return ReadFile(MsgDir() / "WrkJobLog.Txt"); }
  std::vector<std::string> JobLines() const { return CrLfLines(JobLogText()); }

 private:
  ScopedCwd cwd_;
};

}  // namespace zeltest
