// A complete installation for tests that run zelwrkjob as a real process:
//
//   <root>/files/veldoran.ini                 written with zelcfg
//   <root>/files/zel.db                       schema by zelsetup, NET8 "..\..\..\..\files\zel.db"
//                                             (on PostgreSQL a fresh database, NET8 its connection string)
//   <root>/system/jobs/zelwrkjob/work/        the working directory
//   <root>/system/jobs/zelwrkjob/work/Msg/    message log, job log, download-program record
//   <root>/system/jobs/zelwrkjob/work/ZELDNLSTD.EXE   the stand-in download program
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "DbClient.h"
#include "TestSupport.h"

namespace zeltest {

class Installation {
 public:
  // What the database holds when the installation is made.
  enum class Data {
    kNone,    // no schema and no configuration yet: the test brings its own
    kSchema,  // the empty schema
    kDemo,    // the schema with zelsetup's demo data
  };

  explicit Installation(bool demoData = false) : Installation(demoData ? Data::kDemo : Data::kSchema) {}
  explicit Installation(Data data) {
    fs::create_directories(Msg());
    fs::create_directories(root_ / "files");
    fs::copy_file(Program("zeldnlstd"), Work() / "ZELDNLSTD.EXE");
    if (OnPostgres()) pg_.emplace();
    if (data == Data::kNone) return;
    auto schema = RunProcess({Program("zelsetup"), "schema", SetupTarget()}, root_.path());
    EXPECT_EQ(schema.exitCode, 0) << schema.output;
    if (data == Data::kDemo) {
      auto demo = RunProcess({Program("zelsetup"), "demo-data", SetupTarget()}, root_.path());
      EXPECT_EQ(demo.exitCode, 0) << demo.output;
    }
    Configure();
  }

  // What NET8 holds for this installation's database.
  std::string Net8() const { return OnPostgres() ? pg_->Net8() : "..\\..\\..\\..\\files\\zel.db"; }
  // The database as an engine connection of the tests and as zelsetup take it.
  std::string Target() const { return OnPostgres() ? pg_->Conninfo() : DbFile(); }
  // The database as an engine connection of the tests under test takes it (on ODBC, the data source).
  std::string EngineTarget() const { return OnPostgres() ? pg_->Net8() : DbFile(); }
  std::string SetupTarget() const { return OnPostgres() ? pg_->Conninfo() + " user=postgres" : DbFile(); }

  // A client of the installation's database, opened on first use.
  DbClient& Db() {
    if (!client_) client_ = std::make_unique<DbClient>(Target());
    return *client_;
  }
  void CloseDb() { client_.reset(); }

  // Writes LOGIN, PASS and NET8 into the configuration file with zelcfg:
  // the installation's own, or the given ones.
  void Configure() { Configure(OnPostgres() ? "postgres" : "zel", "secret", Net8()); }
  void Configure(const std::string& login, const std::string& pass, const std::string& net8) {
    auto r = RunProcess({Program("zelcfg"), "set", "--create", "--file", IniFile(), "--login", login, "--net8", net8},
                        root_.path(), pass + "\n");
    EXPECT_EQ(r.exitCode, 0) << r.output;
  }

  fs::path Root() const { return root_.path(); }
  fs::path Work() const { return root_.path() / "system" / "jobs" / "zelwrkjob" / "work"; }
  fs::path Msg() const { return Work() / "Msg"; }
  std::string DbFile() const { return (root_.path() / "files" / "zel.db").string(); }
  std::string IniFile() const { return (root_.path() / "files" / "veldoran.ini").string(); }

  std::string MessageLog() const { return ReadFile(Msg() / "ZelWrkJob.txt"); }
  std::string JobLogText() const { return ReadFile(Msg() / "WrkJobLog.Txt"); }
  bool HasJobLog() const { return fs::exists(Msg() / "WrkJobLog.Txt"); }
  fs::path DownloadRecord() const { return Msg() / "ZelDnlStd.Txt"; }

  // Runs zelwrkjob with `args` in the working directory.
  ProcessResult Run(const std::vector<std::string>& args) const {
    std::vector<std::string> argv{Program("zelwrkjob")};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, Work());
  }

  // The message log's entries as "function|message|code".
  std::vector<std::string> Entries() const { return EntriesOf(MessageLog()); }

  // The job log's lines without their CR LF.
  std::vector<std::string> JobLines() const { return CrLfLines(JobLogText()); }

 private:
  TempDir root_;
  std::optional<PgScratchDatabase> pg_;
  std::unique_ptr<DbClient> client_;
};

}  // namespace zeltest
