// zelrun.exe as Windows runs it: one event per run in the event log, and a
// job that ends with zelrun.exe while its download program runs on. Windows
// only; Wine keeps no event log but traces the calls into the file that
// ZEL_TEST_WINE_TRACE names (tests/WindowsTests.cmake); without it (on
// Windows itself) only the runs are checked.
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

// Wine's trace of the event log's calls by the programs started while it
// lives: from the file's end at construction, with WINEDEBUG asking for it.
class EventTrace {
 public:
  EventTrace() : file_(std::getenv("ZEL_TEST_WINE_TRACE") ? std::getenv("ZEL_TEST_WINE_TRACE") : "") {
    if (file_.empty()) return;
    from_ = ReadFile(file_).size();
    saved_ = std::getenv("WINEDEBUG") ? std::getenv("WINEDEBUG") : "";
    SetEnv("WINEDEBUG", "-all,+eventlog,fixme+advapi");
  }
  ~EventTrace() {
    if (!file_.empty()) SetEnv("WINEDEBUG", saved_);
  }
  // The ReportEventW calls (the type word dropped: Wine's class of the text
  // line tells it) and the texts as Wine escapes them, one per line.
  std::string Events() const {
    static const std::regex kEvent(R"(ReportEventW \([0-9A-F]+,0x000[124],0x0000,(0x0000000[0-9]),[0-9A-F]+,0x0001,.*)"
                                   R"(|(trace|warn|err):eventlog:ReportEventW (L".*"))");
    std::string events;
    if (!on()) return events;
    const std::string trace = ReadFile(file_).substr(from_);
    for (std::sregex_iterator m(trace.begin(), trace.end(), kEvent), end; m != end; ++m) {
      events += (*m)[1].matched ? "id " + (*m)[1].str() + "\n" : (*m)[2].str() + " " + (*m)[3].str() + "\n";
    }
    return events;
  }
  bool on() const { return !file_.empty(); }

 private:
  std::string file_, saved_;
  std::size_t from_ = 0;
};

// The lines of a text as Wine's trace shows them, one wide string: CR LF
// between them, backslash, quote, CR and LF escaped (the texts are ASCII).
std::string AsTraced(const std::string& lines) {
  std::string out = "L\"";
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    const char c = lines[i];
    out += c == '\n' ? "\\r\\n" : c == '\\' || c == '"' ? std::string("\\") + c : std::string(1, c);
  }
  return out + "\"";
}

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
  const auto nothing = [](Installation&, Holds&) {};
  struct Case {
    const char* what;
    std::function<void(Installation&, Holds&)> stage;
    std::vector<std::string> args;
    int exitCode;         // -1: zelrun.exe is killed once the job has begun its section
    std::string type;     // the event's type as Wine traces it: trace (information), warn, err
    std::string summary;  // zelrun's last line (a regular expression)
  } cases[] = {
      {"clean run", nothing, {"U"}, 0, "trace", R"(zelrun: U [0-9.]+ s, [0-9]+ change lines?, 0 failure entries, section ended)"},
      {"failures reported", [](Installation& i, Holds&) { EXPECT_EQ(i.Run({"L"}).exitCode, 0); }, {"L"}, 5, "warn",
       R"(zelrun: L [0-9.]+ s, 0 change lines, 1 failure entry \(Prv_Delete\(\) 1403\), no section)"},
      // A scheduled task with wrong arguments fails every night.
      {"usage error", nothing, {"X"}, 2, "err", R"(zelrun: 'X' selects no job \(A, U, S or L\) \(see zelrun --help\))"},
      {"pre-check failed", [](Installation& i, Holds&) { fs::remove(i.Work() / "ZELDNLSTD.EXE"); }, {"A"}, 3, "err",
       R"(zelrun: download program not found in the working directory or on PATH: .*ZELDNLSTD\.EXE)"},
      {"lock held",
       [](Installation& i, Holds& h) {
         ASSERT_EQ(Plat_RunLockAcquire((i.Msg() / "zelrun.lock").string(), 0, h.lock), PlatRunLockResult::Held);
       },
       {"A"}, 4, "err", R"(zelrun: another run holds the lock: .*zelrun\.lock)"},
      {"timeout", holdDatabase, {"--timeout", "3", "U"}, 6, "err",
       R"(zelrun: .*zelwrkjob\.exe ran longer than 3 s and was killed\nzelrun: U .*, section open)"},
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
    const EventTrace trace;
    std::vector<std::string> argv{Program("zelrun")};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    PlatProcess run = PlatProcess::Start({argv, inst.Work().string(), "", PlatOutput::Capture, ""});
    if (c.exitCode >= 0) {
      const PlatExit e = run.Wait();
      const std::string output = std::regex_replace(e.output, std::regex("\r"), "");
      EXPECT_EQ(e.exitCode, c.exitCode) << output;
      EXPECT_TRUE(std::regex_search(output, std::regex("(^|\n)" + c.summary + "\n$"))) << output;
      // One event, id 1, one string: what zelrun printed.
      EXPECT_EQ(trace.Events(), trace.on() ? "id 0x00000001\n" + c.type + " " + AsTraced(output) + "\n" : "");
      continue;
    }
    for (int i = 0; i < 300 && inst.JobLines().size() == sections; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    run.Kill();
    EXPECT_EQ(trace.Events(), "");
    // No zelwrkjob.exe is left: with the database free again, nobody ends
    // its section or starts the download program.
    holds.database->Exec("commit");
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));
    ASSERT_GT(inst.JobLines().size(), sections);
    EXPECT_NE(inst.JobLines().back(), "") << inst.JobLogText();
    // The first run's download program went on after its job and zelrun
    // had ended, and was not killed with the second run's job.
    const std::string started = R"(Datum: [0-9.]{10}  Uhrzeit: [0-9:]{8}  Parameter: Marvane Mvs510Prv\r\n)";
    EXPECT_TRUE(std::regex_match(ReadFile(inst.DownloadRecord()), std::regex(started)));
    fs::remove(inst.Msg() / "ZelDnlStd.hold");
    for (int i = 0; i < 100 && ReadFile(inst.DownloadRecord()).find("Ende") == std::string::npos; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(std::regex_match(ReadFile(inst.DownloadRecord()), std::regex(started + "Ende\r\n")))
        << ReadFile(inst.DownloadRecord());
  }
}

}  // namespace
