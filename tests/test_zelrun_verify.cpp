// zelrun --verify as a real process on a real installation: each way a
// site's database can differ from what the jobs need is named with the
// statement and the server's own words, and nothing in any table changes,
// whatever the verify met. And the verify's list of the jobs' statements
// holds every statement the jobs run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <regex>
#include <sstream>

#include "InstallationSupport.h"
#include "JobTestSupport.h"
#include "db/Dbstd.h"
#include "db/Session.h"
#include "db/schema/Schema.h"
#include "db/tables/DbstdCatalog.h"
#include "jobs/AssignmentUpdateJob.h"
#include "jobs/FullCheckJob.h"
#include "jobs/SingleAssignmentJob.h"
#include "tools/platform/RunLock.h"

namespace {

using zeltest::DbClient;
using zeltest::Installation;
using zeltest::OnPostgres;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Every row of every table of the schema, as text, in a fixed order.
std::vector<std::string> EveryRow(Installation& inst) {
  std::vector<std::string> all;
  for (const zeldb::TableSpec& t : zeldb::Schema_Tables()) {
    const std::string name = OnPostgres() && t.masterSchema ? std::string("MvSystem.") + t.name : t.name;
    const std::string exists = OnPostgres() ? "select to_regclass('" + name + "') is not null"
                                            : "select count(*) = 1 from sqlite_master where name = '" + name + "'";
    if (inst.Db().Value(exists) != (OnPostgres() ? "t" : "1")) continue;
    std::vector<std::string> rows = inst.Db().Rows("select * from " + name);
    std::sort(rows.begin(), rows.end());
    for (const std::string& r : rows) all.push_back(std::string(t.name) + ": " + r);
  }
  return all;
}

// `table` again with its text column `column` `width` characters wide.
void NarrowColumn(Installation& inst, const std::string& table, const std::string& column, int width) {
  if (OnPostgres()) {
    inst.Db().Exec("alter table " + table + " alter column " + column + " type varchar(" + std::to_string(width) + ")");
    return;
  }
  std::string ddl = inst.Db().Value("select sql from sqlite_master where name = '" + table + "'");
  const std::string check = "length(" + column + ") <= ";
  const size_t at = ddl.find(check) + check.size();
  ddl.replace(at, ddl.find(')', at) - at, std::to_string(width));
  inst.Db().Exec("alter table " + table + " rename to zv_old; " + ddl + "; insert into " + table +
                 " select * from zv_old; drop table zv_old");
}

// A role of this test's own that may do everything but update Mvs510Prv;
// dropped with the object.
struct RoleWithoutUpdate {
  Installation& inst;
  std::string name = "zv_verify_" + std::to_string(Plat_ProcessId());
  explicit RoleWithoutUpdate(Installation& i) : inst(i) {
    inst.Db().Exec("create role " + name + " login; grant usage on schema MvSystem to " + name +
                   "; grant select, insert, update, delete on all tables in schema public, MvSystem to " + name +
                   "; revoke update on Mvs510Prv from " + name);
    inst.Configure(name, "", inst.Net8());
  }
  ~RoleWithoutUpdate() { inst.Db().Exec("drop owned by " + name + "; drop role " + name); }
};

// Another session that holds a lock on a row of Mvs510Prv (SQLite: the
// database's write lock) until it is dropped.
struct LockHolder {
  DbClient client;
  explicit LockHolder(Installation& inst) : client(inst.Target()) {
    client.Exec(OnPostgres() ? "begin; select PrvPnr from Mvs510Prv for update" : "begin immediate");
  }
  ~LockHolder() { client.Exec("rollback"); }
};

TEST(ZelRunVerify, NamesWhatDiffersAtTheSiteAndChangesNothing) {
  struct Case {
    const char* what;
    std::vector<std::string> args;
    // Stages the fault; what it returns is held until the verify has ended.
    std::function<std::shared_ptr<void>(Installation&)> stage;
    int exitCode;
    std::vector<std::string> expected;  // patterns (any case), each matched by a line of the output
    bool postgresOnly = false;
  };
  const auto none = [](Installation&) { return std::shared_ptr<void>(); };
  const Case cases[] = {
      {"as the schema makes it", {}, none, 0,
       {"^Prv_PKeyIns +insert +ok$", "^Prv_Delete +delete +ok$",
        "^zelrun: verify: 14 statements ok, no column narrower than its record, nothing committed$"}},
      {"every statement of the module", {"--all"}, none, 0,
       {"^zelrun: verify: " + std::to_string(zeldb::Dbstd_Statements().size() + zeldb::Dbstd_Cursors().size()) +
        " statements ok"}},
      {"a renamed column", {},
       [](Installation& i) {
         i.Db().Exec("alter table Mvs510Prv rename column PrvOrt to PrvOrtx");
         return nullptr;
       },
       7,
       {"^Prv_PKeyReadk +select +-904 .*prvort", "^Prv_PnrRange +cursor +-904 .*prvort",
        "^Prv_PKeyIns +insert +-904 .*prvort", "^Prv_PKeyUpd +update +-904 .*prvort", "^Prv_Delete +delete +ok$",
        "^zelrun: verify: 14 statements, 4 failed, 0 columns too narrow"}},
      {"a missing table", {},
       [](Installation& i) {
         i.Db().Exec("drop table Mvs310Bsv");
         return nullptr;
       },
       7, {"^Bsv_PnrReadk +select +-942 .*mvs310bsv"}},
      {"a missing table, as JSON", {"--json"},
       [](Installation& i) {
         i.Db().Exec("drop table Mvs310Bsv");
         return nullptr;
       },
       7,
       {R"(^\{"exit_code":7,"problems":\[\],"statements":\[\{"name":"Prv_PKeyReadk","kind":"select","status":1403,"ok":true,)"
        R"("message":""\},.*\{"name":"Bsv_PnrReadk","kind":"select","status":-942,"ok":false,"message":"[^}]*)"
        R"(mvs310bsv[^}]*"\},.*\],"widths":\[\]\}$)"}},
      {"a database that cannot be reached", {},
       [](Installation& i) {
         i.Configure(OnPostgres() ? "postgres" : "zel", "",
                     zeltest::OnOdbc()  ? "DSN=zelpg;Database=zv_nosuchdb"
                     : OnPostgres() ? "host=" + zeltest::PgHost() + " dbname=zv_nosuchdb"
                                    : "nosuch.db");
         return nullptr;
       },
       3, {"^zelrun: database unreachable \\(status -12154, [^)]+\\): "}},
      {"a column read too narrow", {},
       [](Installation& i) {
         NarrowColumn(i, "Mvs300Pnr", "PnrNam", 30);
         return nullptr;
       },
       7, {"^Mvs300Pnr.PnrNam +too narrow: 30 characters at this site, 50 in the records$", "^Pnr_PKeyReadk +select +ok$"}},
      {"a column written too narrow", {},
       [](Installation& i) {
         NarrowColumn(i, "Mvs510Prv", "PrvStr", 20);
         return nullptr;
       },
       7,
       {"^Prv_PKeyIns +insert +-12899 .*(prvstr|varying\\(20\\))",
        "^Mvs510Prv.PrvStr +too narrow: 20 characters at this site, 50 in the records$"}},
      {"a site's trigger writes into another table", {},
       [](Installation& i) {
         i.Db().Exec(OnPostgres() ? "create function zv_f() returns trigger language plpgsql as $$ begin insert into "
                                    "Mvs555Vrg values ('ZV', 'ZV', new.PrvPnr); return new; end $$; create trigger zv "
                                    "after insert on Mvs510Prv for each row execute function zv_f()"
                                  : "create trigger zv after insert on Mvs510Prv begin insert into Mvs555Vrg values "
                                    "('ZV', 'ZV', new.PrvPnr); end");
         return nullptr;
       },
       0, {"^Prv_PKeyIns +insert +ok$"}},
      {"another session holds a lock", {},
       [](Installation& i) { return std::make_shared<LockHolder>(i); }, 7,
       {"^Prv_(PKeyIns|Delete) +(insert|delete) +-54 .*another session holds a lock",
        OnPostgres() ? "^Prv_PKeyUpd +update +ok$" : "^Prv_Delete +delete +-54 not sent: another session holds a lock$"}},
      // The lock of a run (or of another verify): refused, and with --json the
      // object says why.
      {"the run lock held", {"--json"},
       [](Installation& i) -> std::shared_ptr<void> {
         auto held = std::make_shared<int>(-1);
         EXPECT_EQ(Plat_RunLockAcquire((i.Msg() / "zelrun.lock").string(), 0, *held), PlatRunLockResult::Held);
         return std::shared_ptr<void>(held.get(), [held](void*) { Plat_RunLockRelease(*held); });
       },
       4, {R"(^\{"exit_code":4,"problems":\["another run holds the lock: [^"]+"\],"statements":\[\],"widths":\[\]\}$)"}},
      {"a role without the right to update Mvs510Prv", {},
       [](Installation& i) { return std::make_shared<RoleWithoutUpdate>(i); }, 7,
       {"^Prv_PKeyUpd +update +-1031 .*permission denied", "^Prv_PKeyIns +insert +ok$"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.postgresOnly && !OnPostgres()) continue;
    Installation inst(true);
    std::shared_ptr<void> held = c.stage(inst);
    const std::vector<std::string> before = EveryRow(inst);
    std::vector<std::string> argv{zeltest::Program("zelrun"), "--verify"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const zeltest::ProcessResult r = zeltest::RunProcess(argv, inst.Work());
    EXPECT_EQ(r.exitCode, c.exitCode) << r.output;
    const std::vector<std::string> lines = Lines(r.output);
    for (const std::string& pattern : c.expected) {
      const std::regex re(pattern, std::regex::icase);
      EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return std::regex_search(l, re); }))
          << pattern << "\n" << r.output;
    }
    EXPECT_EQ(EveryRow(inst), before) << r.output;
    held.reset();
  }
}

// Runs every job on persons that take them through each of their reads and
// writes: the session's statements and the verify's list must be the same.
TEST(ZelRunVerify, ListHoldsEveryStatementTheJobsRun) {
  zeltest::JobBench b;
  b.Person("00000001");
  b.Employment("00000001", "{-10}");
  b.CostCentre("00000001", "K1");
  b.Assignment("70000001|{-5}||00000001|ERF1");
  // A row whose badge assignment ended yesterday: its last day is shifted by the calendar.
  b.Person("00000002");
  b.Employment("00000002", "{-10}");
  b.Assignment("70000002|{-5}|{-1}|00000002|ERF2");
  b.db.Exec("insert into Mvs510Prv (PrvPnr, PrvGvo, PrvAwn, PrvAwa) values ('00000002', " +
            zeltest::SqlDay(zeltest::Days("{-5}")) + ", '70000002', 1)");
  AssignmentUpdateJob(b.run);
  FullCheckJob(b.run);
  SingleAssignmentJob(b.run, "70000001", zeltest::Days("{-5}").c_str());
  Prv_Delete();
  const auto& listed = zeldb::Dbstd_JobStatementNames();
  std::vector<std::string_view> used;
  for (const zeldb::StatementUse& u : zeldb::CurrentSession()->Uses()) {
    EXPECT_TRUE(std::find(listed.begin(), listed.end(), std::string_view(u.name)) != listed.end())
        << u.name << " runs in a job but is not verified";
    used.push_back(u.name);
  }
  // And no name on the list that the jobs no longer run (it would be tried for nothing).
  for (std::string_view name : listed)
    EXPECT_TRUE(std::find(used.begin(), used.end(), name) != used.end()) << name << " is verified but no job runs it";
}

}  // namespace
