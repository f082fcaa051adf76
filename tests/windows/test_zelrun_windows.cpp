// zelrun.exe around zelwrkjob.exe as Windows runs them: the one event each
// run writes into the event log, and the job that ends with zelrun.exe when
// it is ended from outside, while the download program runs on. Windows
// only (tests/WindowsTests.cmake); the rest of zelrun is tried on Linux.
//
// Wine keeps no event log: it traces the call. The CTest test sends the
// test program's standard error (where Wine's trace of every program it
// starts goes) to the file ZEL_TEST_WINE_TRACE names, and the runs here ask
// for the trace of the event log; without that variable (on Windows itself)
// only the runs are checked.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "InstallationSupport.h"
#include "TestEnv.h"
#include "tools/platform/RunLock.h"

namespace {

using namespace zeltest;

// The text as Wine's trace shows a wide string: backslash, quote, CR and LF
// escaped (the texts here are ASCII).
std::string AsTraced(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c == '\r' ? std::string("\\r") : c == '\n' ? std::string("\\n") : std::string(1, c);
  }
  return out;
}

// Wine's trace of what one run wrote, from the file's end at construction.
class EventTrace {
 public:
  EventTrace() {
    if (const char* file = std::getenv("ZEL_TEST_WINE_TRACE"); file && *file) file_ = file;
    if (file_.empty()) return;
    from_ = ReadFile(file_).size();
    saved_ = std::getenv("WINEDEBUG") ? std::getenv("WINEDEBUG") : "";
    SetEnv("WINEDEBUG", "-all,+eventlog,fixme+advapi");
  }
  ~EventTrace() {
    if (!file_.empty()) SetEnv("WINEDEBUG", saved_);
  }
  bool traced() const { return !file_.empty(); }
  std::string Written() const { return ReadFile(file_).substr(from_); }

 private:
  std::string file_, saved_;
  std::size_t from_ = 0;
};

TEST(ZelRunWindows, OneEventPerRunAndTheJobEndsWithZelrun) {
  struct Holds {
    std::unique_ptr<DbClient> database;  // a transaction that keeps the job waiting
    int lock = -1;
    ~Holds() { Plat_RunLockRelease(lock); }
  };
  const auto holdDatabase = [](Installation& i, Holds& h) {
    h.database = std::make_unique<DbClient>(i.Target());
    h.database->Exec("begin exclusive");
  };
  struct Case {
    const char* what;
    std::function<void(Installation&, Holds&)> stage;
    std::vector<std::string> args;
    int exitCode;         // -1: zelrun.exe is killed once the job has begun its section
    std::string type;     // the event's type as Wine traces it: "0x0004 trace", "0x0002 warn", "0x0001 err"
    std::string summary;  // the summary line (a regular expression)
  } cases[] = {
      {"clean run", [](Installation&, Holds&) {}, {"U"}, 0, "0x0004 trace",
       R"(zelrun: U [0-9.]+ s, [0-9]+ change lines?, 0 failure entries, section ended)"},
      {"failures reported",
       [](Installation& i, Holds&) { EXPECT_EQ(i.Run({"L"}).exitCode, 0); },
       {"L"}, 5, "0x0002 warn", R"(zelrun: L [0-9.]+ s, 0 change lines, 1 failure entry \(Prv_Delete\(\) 1403\), no section)"},
      // A scheduled task with wrong arguments fails every night.
      {"usage error", [](Installation&, Holds&) {}, {"X"}, 2, "0x0001 err",
       R"(zelrun: 'X' selects no job \(A, U, S or L\) \(see zelrun --help\))"},
      {"pre-check failed", [](Installation& i, Holds&) { fs::remove(i.Work() / "ZELDNLSTD.EXE"); }, {"A"}, 3,
       "0x0001 err", R"(zelrun: download program not found in the working directory or on PATH: .*ZELDNLSTD\.EXE)"},
      {"lock held",
       [](Installation& i, Holds& h) {
         ASSERT_EQ(Plat_RunLockAcquire((i.Msg() / "zelrun.lock").string(), 0, h.lock), PlatRunLockResult::Held);
       },
       {"A"}, 4, "0x0001 err", R"(zelrun: another run holds the lock: .*zelrun\.lock)"},
      {"timeout", holdDatabase, {"--timeout", "3", "U"}, 6, "0x0001 err",
       R"(zelrun: .*zelwrkjob\.exe ran longer than 3 s and was killed\nzelrun: U [0-9.]+ s, [0-9]+ change lines?, 0 failure entries, section open)"},
      // The Task Scheduler's stop: zelrun.exe ended from outside, after a
      // clean run whose download program is still at work.
      {"zelrun killed",
       [&](Installation& i, Holds& h) {
         WriteFile(i.Msg() / "ZelDnlStd.hold", "");
         EXPECT_EQ(RunProcess({Program("zelrun"), "U"}, i.Work()).exitCode, 0);
         holdDatabase(i, h);
       },
       {"U"}, -1, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Installation inst(/*demoData=*/true);
    Holds holds;
    c.stage(inst, holds);
    const std::size_t sections = inst.JobLines().size();
    std::string output;
    {
      EventTrace trace;
      std::vector<std::string> argv{Program("zelrun")};
      argv.insert(argv.end(), c.args.begin(), c.args.end());
      PlatProcess run = PlatProcess::Start({argv, inst.Work().string(), "", PlatOutput::Capture, ""});
      if (c.exitCode < 0) {
        for (int i = 0; i < 300 && inst.JobLines().size() == sections; ++i) {
          std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        run.Kill();
      } else {
        const PlatExit e = run.Wait();
        for (const char ch : e.output) {
          if (ch != '\r') output += ch;
        }
        EXPECT_EQ(e.exitCode, c.exitCode) << output;
      }
      if (trace.traced()) {
        // One event, id 1, one string: what zelrun printed.
        const std::string written = trace.Written();
        const std::regex call(R"(fixme:advapi:ReportEventW \([0-9A-F]+,(0x000[1-4]),0x0000,0x00000001,[0-9A-F]+,0x0001,)");
        const auto calls = std::distance(std::sregex_iterator(written.begin(), written.end(), call),
                                         std::sregex_iterator());
        EXPECT_EQ(calls, c.type.empty() ? 0 : 1) << written;
        if (!c.type.empty()) {
          std::smatch m;
          const std::string lines = std::regex_replace(output, std::regex("\n(?!$)"), "\r\n");
          const std::string text = AsTraced(lines.substr(0, lines.size() - 1));
          EXPECT_NE(written.find(c.type.substr(7) + ":eventlog:ReportEventW L\"" + text + "\"\n"), std::string::npos)
              << written;
          EXPECT_TRUE(std::regex_search(written, m, call) && m[1] == c.type.substr(0, 6)) << written;
        }
      }
    }
    if (c.exitCode >= 0) {
      EXPECT_TRUE(std::regex_search(output, std::regex("(^|\n)" + c.summary + "\n$"))) << output;
      continue;
    }
    // No zelwrkjob.exe is left: with the database free again, nobody ends
    // its section or starts the download program.
    holds.database->Exec("commit");
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));
    const std::vector<std::string> lines = inst.JobLines();
    ASSERT_GT(lines.size(), sections);
    EXPECT_NE(lines.back(), "") << inst.JobLogText();
    // The first run's download program went on after its job and zelrun
    // had ended, and was not killed with the second run's job.
    const std::string started = R"(Datum: [0-9.]{10}  Uhrzeit: [0-9:]{8}  Parameter: Marvane Mvs510Prv\r\n)";
    EXPECT_TRUE(std::regex_match(ReadFile(inst.DownloadRecord()), std::regex(started))) << ReadFile(inst.DownloadRecord());
    fs::remove(inst.Msg() / "ZelDnlStd.hold");
    for (int i = 0; i < 100 && ReadFile(inst.DownloadRecord()).find("Ende") == std::string::npos; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(std::regex_match(ReadFile(inst.DownloadRecord()), std::regex(started + "Ende\r\n")))
        << ReadFile(inst.DownloadRecord());
  }
}

}  // namespace
