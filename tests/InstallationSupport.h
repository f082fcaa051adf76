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
  explicit Installation(bool demoData = false) {
    fs::create_directories(Work() / "Msg");
    fs::create_directories(root_ / "files");
    fs::copy_file(Program("zeldnlstd"), Work() / "ZELDNLSTD.EXE");
    if (OnPostgres()) pg_.emplace();
    const std::string setupTarget = OnPostgres() ? pg_->Conninfo() + " user=postgres" : DbFile();
    auto schema = RunProcess({Program("zelsetup"), "schema", setupTarget}, root_.path());
    EXPECT_EQ(schema.exitCode, 0) << schema.output;
    if (demoData) {
      auto demo = RunProcess({Program("zelsetup"), "demo-data", setupTarget}, root_.path());
      EXPECT_EQ(demo.exitCode, 0) << demo.output;
    }
    Configure(OnPostgres() ? "postgres" : "zel", "secret", Net8());
  }

  // What NET8 holds for this installation's database.
  std::string Net8() const { return OnPostgres() ? pg_->Conninfo() : "..\\..\\..\\..\\files\\zel.db"; }

  // A client of the installation's database.
  DbClient& Db() {
    if (!client_) client_ = std::make_unique<DbClient>(OnPostgres() ? pg_->Conninfo() : DbFile());
    return *client_;
  }

  // Writes LOGIN, PASS and NET8 into the configuration file with zelcfg.
  void Configure(const std::string& login, const std::string& pass, const std::string& net8) {
    auto r = RunProcess({Program("zelcfg"), "set", "--file", IniFile(), "--login", login, "--net8", net8},
                        root_.path(), pass + "\n");
    EXPECT_EQ(r.exitCode, 0) << r.output;
  }

  fs::path Root() const { return root_.path(); }
  fs::path Work() const { return root_.path() / "system" / "jobs" / "zelwrkjob" / "work"; }
  std::string DbFile() const { return (root_.path() / "files" / "zel.db").string(); }
  std::string IniFile() const { return (root_.path() / "files" / "veldoran.ini").string(); }

  std::string MessageLog() const { return ReadFile(Work() / "Msg" / "ZelWrkJob.txt"); }
  std::string JobLogText() const { return ReadFile(Work() / "Msg" / "WrkJobLog.Txt"); }
  bool HasJobLog() const { return fs::exists(Work() / "Msg" / "WrkJobLog.Txt"); }
  fs::path DownloadRecord() const { return Work() / "Msg" / "ZelDnlStd.Txt"; }

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
