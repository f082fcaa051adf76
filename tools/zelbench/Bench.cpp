#include "tools/zelbench/Bench.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "platform/InstallationFiles.h"
#include "tools/zelbench/Floor.h"
#include "tools/zelbench/Generator.h"
#include "tools/zelbench/Measure.h"
#include "tools/zelbench/PgCopy.h"
#include "tools/zelbench/Sql.h"

namespace zelbench {
namespace {

namespace fs = std::filesystem;

// What `zelbench count` or `zelbench floor` printed: executions per statement.
struct Counts {
  struct Use {
    uint64_t executions = 0, rows = 0, preparations = 0;
  };
  std::map<std::string, Use> uses;  // "name kind"
  uint64_t preparations = 0, repeated = 0, transactionStatements = 0, commits = 0;
  bool read = false;

  uint64_t Executions() const {
    uint64_t n = 0;
    for (const auto& [key, use] : uses) n += use.executions;
    return n;
  }
};

Counts ReadCounts(const std::string& file) {
  Counts c;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream f(line);
    std::string tag;
    std::getline(f, tag, '\t');
    if (tag == "use") {
      std::string name, kind;
      Counts::Use u;
      std::getline(f, name, '\t');
      std::getline(f, kind, '\t');
      f >> u.executions >> u.rows >> u.preparations;
      Counts::Use& sum = c.uses[name + " " + kind];
      sum.executions += u.executions;
      sum.rows += u.rows;
      sum.preparations += u.preparations;
      c.read = true;
    } else if (tag == "engine") {
      f >> c.preparations >> c.repeated >> c.transactionStatements >> c.commits;
    }
  }
  return c;
}

bool SameStatements(const Counts& job, const Counts& floor, std::string& difference) {
  std::map<std::string, std::pair<uint64_t, uint64_t>> both;
  for (const auto& [key, use] : job.uses) both[key].first = use.executions;
  for (const auto& [key, use] : floor.uses) both[key].second = use.executions;
  for (const auto& [key, n] : both)
    if (n.first != n.second)
      difference += key + " job " + std::to_string(n.first) + " floor " + std::to_string(n.second) + "; ";
  return difference.empty();
}

const char* const kCompared =
    "PrvPnr,PrvGvo,PrvGbi,PrvBer,PrvKst,PrvFbe,PrvMmb,PrvZf1,PrvZf2,PrvZf3,PrvSta,PrvErf,PrvDna,PrvDwn,PrvAwn,"
    "PrvAwa,PrvAnw,PrvApl,PrvApp,PrvPzm,PrvAvn,PrvAbi,PrvNam,PrvStr,PrvOrt";

// Whether the two download tables hold the same rows (PrvDat aside: it is
// the clock of the write).
bool SameTable(const std::string& a, const std::string& b) {
  SqlDb db(a);
  if (!db.ok() || !db.Exec("ATTACH DATABASE '" + b + "' AS other")) return false;
  const std::string cols = kCompared;
  const std::string one = db.Value("select count(*) from (select " + cols + " from main.Mvs510Prv except select " +
                                   cols + " from other.Mvs510Prv)");
  const std::string two = db.Value("select count(*) from (select " + cols + " from other.Mvs510Prv except select " +
                                   cols + " from main.Mvs510Prv)");
  return one == "0" && two == "0";
}

// Folds a database's write-ahead log into the file, so that one file is the
// whole database and can be copied.
void Checkpoint(const std::string& file) {
  SqlDb db(file);
  if (db.ok()) db.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
}

void RemoveDb(const std::string& file) {
  std::error_code ec;
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) fs::remove(file + suffix, ec);
}

bool CopyDb(const std::string& from, const std::string& to) {
  Checkpoint(from);
  RemoveDb(to);
  std::error_code ec;
  fs::copy_file(from, to, ec);
  if (ec) std::fprintf(stderr, "zelbench: copy %s: %s\n", from.c_str(), ec.message().c_str());
  return !ec;
}

// Where the runs' databases live: SQLite files, or databases on a
// PostgreSQL server. Every input and every result is also kept as a SQLite
// file, the form that the generator, the change and the comparisons work on.
class Store {
 public:
  enum Slot { kJob, kFloor };
  virtual ~Store() = default;
  // NET8 and LOGIN of the installation's configuration.
  virtual std::string Net8() const = 0;
  // NET8 of the same job database on the server's native engine (PostgreSQL
  // through ODBC: through libpq).
  virtual std::string NativeNet8() const = 0;
  virtual std::string Login() const = 0;
  // Makes the SQLite file `input` ready to be handed out by Fresh().
  virtual bool Add(const std::string& input) = 0;
  // A fresh copy of `input` for the job (in the installation) or the floor.
  virtual bool Fresh(Slot slot, const std::string& input) = 0;
  // What the floor is given to connect to.
  virtual std::string FloorTarget() const = 0;
  // The slot's database after a run, as the SQLite file `file`: the content
  // of `input` with the run's download table.
  virtual bool Save(Slot slot, const std::string& input, const std::string& file) = 0;
};

class SqliteStore final : public Store {
 public:
  explicit SqliteStore(const fs::path& root) : root_(root) {}
  std::string Net8() const override { return "..\\..\\..\\..\\files\\zel.db"; }
  std::string NativeNet8() const override { return Net8(); }
  std::string Login() const override { return "bench"; }
  bool Add(const std::string&) override { return true; }
  bool Fresh(Slot slot, const std::string& input) override { return CopyDb(input, File(slot)); }
  std::string FloorTarget() const override { return File(kFloor); }
  bool Save(Slot slot, const std::string&, const std::string& file) override { return CopyDb(File(slot), file); }
  ~SqliteStore() override { RemoveDb(File(kFloor)); }

 private:
  std::string File(Slot slot) const { return (root_ / (slot == kJob ? "files/zel.db" : "floor.db")).string(); }
  fs::path root_;
};

class PgStore final : public Store {
 public:
  PgStore(std::string host, std::string user, std::string dsn)
      : host_(std::move(host)), user_(std::move(user)), dsn_(std::move(dsn)) {}
  // NET8 holds at most 40 characters: the host (or the ODBC data source) and
  // the database only; the user comes from LOGIN.
  std::string Net8() const override {
    return dsn_.empty() ? NativeNet8() : "DSN=" + dsn_ + ";Database=" + Name(kJob);
  }
  std::string NativeNet8() const override { return "host=" + host_ + " dbname=" + Name(kJob); }
  std::string Login() const override { return user_; }
  bool Add(const std::string& input) override {
    const std::string name = "zb_input_" + std::to_string(inputs_.size() + 1);
    std::fprintf(stderr, "zelbench: loading %s into database %s\n", input.c_str(), name.c_str());
    if (!PgLoad(Server(), name, input)) return false;
    inputs_[input] = name;
    return true;
  }
  bool Fresh(Slot slot, const std::string& input) override {
    const auto it = inputs_.find(input);
    return it != inputs_.end() && PgCopyDatabase(Server(), it->second, Name(slot));
  }
  std::string FloorTarget() const override { return PgDatabase(Server(), Name(kFloor)); }
  bool Save(Slot slot, const std::string& input, const std::string& file) override {
    return CopyDb(input, file) && PgSavePrv(Server(), Name(slot), file);
  }

 private:
  std::string Server() const { return "host=" + host_ + " user=" + user_; }
  static std::string Name(Slot slot) { return slot == kJob ? "zb_job" : "zb_floor"; }
  std::string host_, user_, dsn_;
  std::map<std::string, std::string> inputs_;  // SQLite file -> its database on the server
};

class Installation {
 public:
  Installation(const fs::path& root, Store& store, std::string net8)
      : root_(root), store_(store), net8_(std::move(net8)) {}

  // files/veldoran.ini, and the working directory four levels below files/
  // with Msg/ and the stand-in download program.
  bool Setup() {
    std::error_code ec;
    fs::create_directories(Work() / "Msg", ec);
    fs::create_directories(root_ / "files", ec);
    fs::copy_file(ProgramDirectory() + "/zeldnlstd", Work() / kDownloadProgramFile,
                  fs::copy_options::overwrite_existing, ec);
    if (ec) return false;
    const Measured m = RunMeasured({ProgramDirectory() + "/zelcfg", "set", "--create", "--file", (root_ / "files/veldoran.ini").string(),
                                    "--login", store_.Login(), "--net8", net8_},
                                   root_.string(), "", "bench\n");
    return m.exitCode == 0;
  }

  bool Install(const std::string& input) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(Work() / "Msg", ec)) fs::remove(entry.path(), ec);
    return store_.Fresh(Store::kJob, input);
  }

  fs::path Work() const { return root_ / "system" / "jobs" / "zelwrkjob" / "work"; }

 private:
  fs::path root_;
  Store& store_;
  std::string net8_;
};

struct Scenario {
  std::string label;
  std::vector<std::string> arguments;  // of zelwrkjob
  std::string input;                   // database before the job
  bool updatesFile = false;            // the floor replays the job's updates
  int64_t units = 0;                   // persons the job handles
};

struct Outcome {
  std::string label;
  int64_t persons = 0, units = 0;
  Measured job, floor;  // best wall time of the repetitions; peak memory over all
  Measured jobOff;      // on a server: the job with the early sending off (ZEL_AHEAD=off)
  Measured native;      // through ODBC: the job on the native engine, early sending on
  Counts jobCounts, floorCounts;
  bool sameStatements = false, sameTable = false;
  std::string difference;
  long updates = 0;
};

class Runner {
 public:
  Runner(const BenchOptions& o, std::FILE* raw) : o_(o), raw_(raw) {}

  bool RunPersons(int64_t persons, std::vector<Outcome>& outcomes) {
    const fs::path root = fs::path(o_.directory) / ("persons-" + std::to_string(persons));
    std::error_code ec;
    fs::remove_all(root, ec);
    fs::create_directories(root, ec);
    root_ = root;
    std::unique_ptr<Store> store;
    if (o_.pgHost.empty())
      store = std::make_unique<SqliteStore>(root);
    else
      store = std::make_unique<PgStore>(o_.pgHost, o_.pgUser, o_.odbcDsn);
    store_ = store.get();
    Installation inst(root, *store, store->Net8());
    if (!inst.Setup()) return Fail("installation in " + root.string());
    Installation native(root / "native", *store, store->NativeNet8());
    native_ = Native() ? &native : nullptr;
    if (native_ && !native.Setup()) return Fail("installation in " + (root / "native").string());

    const int64_t today = LocalToday();
    const std::string base = (root / "base.db").string();
    std::fprintf(stderr, "zelbench: generating %lld persons\n", static_cast<long long>(persons));
    if (Generate(base, {persons, o_.seed, today}) != 0) return Fail("generate");
    if (!store->Add(base)) return Fail("load");

    Scenario u{"U", {"U"}, base, false, persons};
    Outcome uo;
    if (!Run(inst, persons, u, uo)) return false;
    outcomes.push_back(uo);
    const std::string inLine = (root / "in-line.db").string();
    if (!CopyDb(Result("U"), inLine) || !store->Add(inLine)) return false;

    Scenario a0{"A, no changes", {"A"}, inLine, true, persons};
    Outcome a0o;
    if (!Run(inst, persons, a0, a0o)) return false;
    outcomes.push_back(a0o);

    const std::string changed = (root / "changed.db").string();
    if (!CopyDb(inLine, changed) || Change(changed, {o_.changedPercent, o_.seed, today}) != 0) return Fail("change");
    if (!store->Add(changed)) return Fail("load");
    char label[64];
    std::snprintf(label, sizeof label, "A, %g %% changed", o_.changedPercent);
    Scenario a2{label, {"A"}, changed, true, persons};
    Outcome a2o;
    if (!Run(inst, persons, a2, a2o)) return false;
    outcomes.push_back(a2o);

    // A badge that a change handed out today.
    SqlDb db(changed);
    const std::string badge =
        db.Value("select AswNum from Mvs301Asw where AswGvo='" + StoredDay(today) + "' order by AswNum limit 1");
    if (badge.empty()) return Fail("no new badge to run S with (is the share of changed persons 0?)");
    Scenario s{"S", {"S", badge, HostDay(today)}, changed, true, 1};
    Outcome so;
    if (!Run(inst, persons, s, so)) return false;
    outcomes.push_back(so);
    return true;
  }

 private:
  bool Fail(const std::string& what) {
    std::fprintf(stderr, "zelbench: failed: %s\n", what.c_str());
    return false;
  }

  std::string File(const std::string& label, const std::string& what) const {
    std::string name;
    for (char c : label) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '-';
    return (root_ / (name + "." + what)).string();
  }
  std::string Result(const std::string& label) const { return File(label, "result.db"); }

  std::vector<std::string> FloorCommand(const Scenario& s, const std::string& db, const std::string& updates) const {
    std::vector<std::string> argv{self_, "floor", s.arguments[0], db};
    if (!updates.empty()) argv.insert(argv.end(), {"--updates", updates});
    for (size_t i = 1; i < s.arguments.size(); ++i) argv.push_back(s.arguments[i]);
    return argv;
  }

  void Raw(const std::string& label, int64_t persons, const char* who, int rep, const Measured& m) {
    std::fprintf(raw_, "%lld\t%s\t%s\t%d\t%.4f\t%.4f\t%ld\n", static_cast<long long>(persons), label.c_str(), who, rep,
                 m.wallSeconds, m.cpuSeconds, m.maxRssKiB);
    std::fflush(raw_);
  }

  bool Run(Installation& inst, int64_t persons, const Scenario& s, Outcome& out) {
    std::fprintf(stderr, "zelbench: %lld persons, %s\n", static_cast<long long>(persons), s.label.c_str());
    out.label = s.label;
    out.persons = persons;
    out.units = s.units;
    std::vector<std::string> job{ProgramDirectory() + "/zelwrkjob"};
    job.insert(job.end(), s.arguments.begin(), s.arguments.end());
    if (o_.jobOnly) return RunJobOnly(inst, persons, s, job, out);

    // Counted run of the job in-process; its result is what the floor must match.
    if (!inst.Install(s.input)) return Fail("install");
    std::vector<std::string> count{self_, "count"};
    count.insert(count.end(), s.arguments.begin(), s.arguments.end());
    count = Ahead(count, "on");
    const Measured counted = RunMeasured(count, inst.Work().string(), File(s.label, "count.txt"));
    if (counted.exitCode != 0) return Fail("zelbench count " + s.arguments[0]);
    out.jobCounts = ReadCounts(File(s.label, "count.txt"));
    if (!store_->Save(Store::kJob, s.input, Result(s.label))) return Fail("saving the job's result");

    std::string updates;
    if (s.updatesFile) {
      updates = File(s.label, "updates.tsv");
      out.updates = WriteUpdatesFile(s.input, Result(s.label), updates);
      if (out.updates < 0) return Fail("updates file");
    }
    const std::string floorDb = store_->FloorTarget();
    if (!store_->Fresh(Store::kFloor, s.input)) return Fail("install the floor's database");
    const Measured checked = RunMeasured(FloorCommand(s, floorDb, updates), root_.string(), File(s.label, "floor.txt"));
    if (checked.exitCode != 0) return Fail("zelbench floor " + s.arguments[0]);
    out.floorCounts = ReadCounts(File(s.label, "floor.txt"));
    const std::string floorResult = File(s.label, "floor-result.db");
    if (!store_->Save(Store::kFloor, s.input, floorResult)) return Fail("saving the floor's result");
    out.sameStatements = SameStatements(out.jobCounts, out.floorCounts, out.difference);
    out.sameTable = SameTable(Result(s.label), floorResult);
    RemoveDb(floorResult);

    for (int rep = 1; rep <= o_.repetitions; ++rep) {
      if (!o_.pgHost.empty()) {
        // The same job with the engine's early sending off, in the same run.
        if (!inst.Install(s.input)) return Fail("install");
        const Measured off = RunMeasuredFresh(Ahead(job, "off"), inst.Work().string(), "");
        Raw(s.label, persons, "job-ahead-off", rep, off);
        if (off.exitCode != 0) return Fail("a timed run");
        Keep(out.jobOff, off, rep == 1);
      }
      if (!inst.Install(s.input)) return Fail("install");
      const Measured j = RunMeasuredFresh(Ahead(job, "on"), inst.Work().string(), "");
      Raw(s.label, persons, "job", rep, j);
      if (!store_->Fresh(Store::kFloor, s.input)) return Fail("install the floor's database");
      const Measured f = RunMeasuredFresh(FloorCommand(s, floorDb, updates), root_.string(), "");
      Raw(s.label, persons, "floor", rep, f);
      if (j.exitCode != 0 || f.exitCode != 0) return Fail("a timed run");
      Keep(out.job, j, rep == 1);
      Keep(out.floor, f, rep == 1);
      if (native_) {
        if (!native_->Install(s.input)) return Fail("install");
        const Measured n = RunMeasuredFresh(Ahead(job, "on"), native_->Work().string(), "");
        Raw(s.label, persons, "job-native", rep, n);
        if (n.exitCode != 0) return Fail("a timed run on the native engine");
        Keep(out.native, n, rep == 1);
      }
    }
    return true;
  }

  // Whether the jobs also run on the native engine: through ODBC, in the
  // whole comparison.
  bool Native() const { return !o_.odbcDsn.empty() && !o_.jobOnly; }

  // The job alone, as a site runs it; its result is the next scenario's input.
  bool RunJobOnly(Installation& inst, int64_t persons, const Scenario& s, const std::vector<std::string>& job,
                  Outcome& out) {
    for (int rep = 1; rep <= o_.repetitions; ++rep) {
      if (!inst.Install(s.input)) return Fail("install");
      const Measured j = RunMeasuredFresh(job, inst.Work().string(), "");
      Raw(s.label, persons, "job", rep, j);
      if (j.exitCode != 0) return Fail("a timed run");
      Keep(out.job, j, rep == 1);
    }
    if (!store_->Save(Store::kJob, s.input, Result(s.label))) return Fail("saving the job's result");
    return true;
  }

  // On a server the engine's early sending set for the program: through
  // env(1), which replaces itself with the program (its memory is the
  // program's). The older name too, so that builds from before the engines
  // shared the switch are measured the same way.
  std::vector<std::string> Ahead(std::vector<std::string> argv, const char* mode) const {
    if (o_.pgHost.empty()) return argv;
    argv.insert(argv.begin(),
                {"/usr/bin/env", std::string("ZEL_AHEAD=") + mode, std::string("ZEL_PG_AHEAD=") + mode});
    return argv;
  }

  static void Keep(Measured& best, const Measured& m, bool first) {
    const long rss = std::max(best.maxRssKiB, m.maxRssKiB);
    if (first || m.wallSeconds < best.wallSeconds) best = m;
    best.maxRssKiB = rss;
  }

  const BenchOptions& o_;
  std::FILE* raw_;
  fs::path root_;
  Store* store_ = nullptr;
  Installation* native_ = nullptr;  // of the person count being run, when Native()
  std::string self_ = ProgramDirectory() + "/zelbench";
};

std::string Mib(long kib) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", static_cast<double>(kib) / 1024.0);
  return buf;
}

// The jobs alone: time and peak memory.
std::string JobOnlyTable(const std::vector<Outcome>& outcomes, const BenchOptions& o) {
  std::string s;
  char line[256];
  std::snprintf(line, sizeof line, "The jobs alone with the engine's defaults, best of %d runs each:\n\n",
                o.repetitions);
  s += line;
  s += "| persons | job | wall s | CPU s | persons/s | peak RSS MiB |\n";
  s += "|---:|---|---:|---:|---:|---:|\n";
  for (const Outcome& r : outcomes) {
    std::snprintf(line, sizeof line, "| %lld | %s | %.3f | %.3f | %.0f | %s |\n", static_cast<long long>(r.persons),
                  r.label.c_str(), r.job.wallSeconds, r.job.cpuSeconds,
                  static_cast<double>(r.units) / r.job.wallSeconds, Mib(r.job.maxRssKiB).c_str());
    s += line;
  }
  return s;
}

// Through ODBC: the job with the early sending on and off, the floor (on
// libpq) and the job on the native engine with the early sending on, all
// against the same server in the same run.
std::string OdbcTable(const std::vector<Outcome>& outcomes) {
  std::string s;
  char line[512];
  s += "\nThe job through ODBC with the engine's early sending on (the table above) and off (ZEL_AHEAD=off), the "
       "floor, and the job on the native PostgreSQL engine with it on, best of the same runs:\n\n";
  s += "| persons | job | ODBC on wall s | ODBC off wall s | floor wall s | native on wall s | ODBC on / off | "
       "ODBC on / floor | ODBC on / native on | ODBC on CPU s | ODBC off CPU s | native on CPU s | "
       "peak RSS ODBC on MiB | ODBC off MiB | native on MiB |\n";
  s += "|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n";
  for (const Outcome& r : outcomes) {
    std::snprintf(line, sizeof line,
                  "| %lld | %s | %.3f | %.3f | %.3f | %.3f | %.2f | %.2f | %.2f | %.3f | %.3f | %.3f | %s | %s | %s |\n",
                  static_cast<long long>(r.persons), r.label.c_str(), r.job.wallSeconds, r.jobOff.wallSeconds,
                  r.floor.wallSeconds, r.native.wallSeconds, r.job.wallSeconds / r.jobOff.wallSeconds,
                  r.job.wallSeconds / r.floor.wallSeconds, r.job.wallSeconds / r.native.wallSeconds,
                  r.job.cpuSeconds, r.jobOff.cpuSeconds, r.native.cpuSeconds, Mib(r.job.maxRssKiB).c_str(),
                  Mib(r.jobOff.maxRssKiB).c_str(), Mib(r.native.maxRssKiB).c_str());
    s += line;
  }
  return s;
}

std::string Report(const std::vector<Outcome>& outcomes, const BenchOptions& o) {
  std::string s;
  char line[512];
  s += o.pgHost.empty() ? "Engine: SQLite (files on disk).\n\n"
        : "Engine: PostgreSQL (server at " + o.pgHost + ", user " + o.pgUser + ")" +
              (o.odbcDsn.empty() ? "" : "; the jobs through ODBC, data source " + o.odbcDsn) + ".\n\n";
  if (o.jobOnly) return s + JobOnlyTable(outcomes, o);
  std::snprintf(line, sizeof line,
                "Best of %d runs each; ratio = job / floor (wall time); statements = single-row reads, writes and "
                "cursor opens executed, per person handled.\n\n",
                o.repetitions);
  s += line;
  s += "| persons | job | job wall s | floor wall s | ratio | job CPU s | floor CPU s | CPU ratio | persons/s | "
       "statements/person | transaction stmts/person | prepared (repeated) | peak RSS job MiB | peak RSS floor MiB |\n";
  s += "|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n";
  for (const Outcome& r : outcomes) {
    const double units = static_cast<double>(r.units);
    std::snprintf(line, sizeof line,
                  "| %lld | %s | %.3f | %.3f | %.2f | %.3f | %.3f | %.2f | %.0f | %.2f | %.2f | %llu (%llu) | %s | %s |\n",
                  static_cast<long long>(r.persons), r.label.c_str(), r.job.wallSeconds, r.floor.wallSeconds,
                  r.job.wallSeconds / r.floor.wallSeconds, r.job.cpuSeconds, r.floor.cpuSeconds,
                  r.job.cpuSeconds / r.floor.cpuSeconds, units / r.job.wallSeconds,
                  static_cast<double>(r.jobCounts.Executions()) / units,
                  static_cast<double>(r.jobCounts.transactionStatements) / units,
                  static_cast<unsigned long long>(r.jobCounts.preparations),
                  static_cast<unsigned long long>(r.jobCounts.repeated), Mib(r.job.maxRssKiB).c_str(),
                  Mib(r.floor.maxRssKiB).c_str());
    s += line;
  }
  if (!o.odbcDsn.empty()) {
    s += OdbcTable(outcomes);
  } else if (!o.pgHost.empty()) {
    s += "\nThe engine's early sending (look-ups sent ahead, begin and commit sent with the write): the job with "
         "it on (the table above) and off (ZEL_AHEAD=off), best of the same runs:\n\n";
    s += "| persons | job | on wall s | off wall s | on / off | on / floor | off / floor | on CPU s | off CPU s | "
         "peak RSS on MiB | peak RSS off MiB |\n";
    s += "|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n";
    for (const Outcome& r : outcomes) {
      std::snprintf(line, sizeof line, "| %lld | %s | %.3f | %.3f | %.2f | %.2f | %.2f | %.3f | %.3f | %s | %s |\n",
                    static_cast<long long>(r.persons), r.label.c_str(), r.job.wallSeconds, r.jobOff.wallSeconds,
                    r.job.wallSeconds / r.jobOff.wallSeconds, r.job.wallSeconds / r.floor.wallSeconds,
                    r.jobOff.wallSeconds / r.floor.wallSeconds, r.job.cpuSeconds, r.jobOff.cpuSeconds,
                    Mib(r.job.maxRssKiB).c_str(), Mib(r.jobOff.maxRssKiB).c_str());
      s += line;
    }
  }
  s += "\nStatements per person handled, by statement (c cursor opened, r single-row read, w write), and the checks "
       "that the floor ran the same statements and left the same download table:\n\n";
  s += "| persons | job | statements per person | commits | floor: same statements, same table |\n";
  s += "|---:|---|---|---:|---|\n";
  for (const Outcome& r : outcomes) {
    std::string uses;
    for (const auto& [key, use] : r.jobCounts.uses) {
      if (use.executions == 0) continue;
      std::snprintf(line, sizeof line, "%s%s %.3f", uses.empty() ? "" : ", ", key.c_str(),
                    static_cast<double>(use.executions) / static_cast<double>(r.units));
      uses += line;
    }
    std::snprintf(line, sizeof line, "| %lld | %s | %s | %llu | %s, %s%s |\n", static_cast<long long>(r.persons),
                  r.label.c_str(), uses.c_str(), static_cast<unsigned long long>(r.jobCounts.commits),
                  r.sameStatements ? "yes" : "NO", r.sameTable ? "yes" : "NO",
                  r.difference.empty() ? "" : (" (" + r.difference + ")").c_str());
    s += line;
  }
  return s;
}

}  // namespace

int RunBench(const BenchOptions& o) {
  std::error_code ec;
  fs::create_directories(o.directory, ec);
  const std::string rawFile = (fs::path(o.directory) / "results-raw.tsv").string();
  std::FILE* raw = std::fopen(rawFile.c_str(), "w");
  if (!raw) {
    std::fprintf(stderr, "zelbench: cannot write %s\n", rawFile.c_str());
    return 1;
  }
  std::fprintf(raw, "persons\tjob\twho\trun\twall_s\tcpu_s\tmaxrss_kib\n");
  Runner runner(o, raw);
  std::vector<Outcome> outcomes;
  bool ok = true;
  for (int64_t n : o.persons) {
    if (!runner.RunPersons(n, outcomes)) {
      ok = false;
      break;
    }
    // The tables so far, in case a later, larger run is stopped.
    std::ofstream((fs::path(o.directory) / "results.md").string(), std::ios::trunc) << Report(outcomes, o);
  }
  std::fclose(raw);
  const std::string report = Report(outcomes, o);
  std::fputs(report.c_str(), stdout);
  if (!o.jobOnly)
    for (const Outcome& r : outcomes) ok = ok && r.sameStatements && r.sameTable;
  return ok ? 0 : 1;
}

}  // namespace zelbench
