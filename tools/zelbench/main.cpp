// zelbench: benchmark data and measurements of zelwrkjob's jobs.
//
//   zelbench generate --persons N [--seed S] [--today YYYYMMDD] FILE
//       a new database FILE with the schema and the master data of N persons
//   zelbench change --share PERCENT [--seed S] [--today YYYYMMDD] FILE
//       changes the master data of that share of FILE's persons
//   zelbench count JOB [ARGS]
//       runs zelwrkjob's JOB in this process (in an installation's working
//       directory, as zelwrkjob itself runs) and prints the statements it
//       executed and prepared
//   zelbench floor JOB DATABASE [--updates UPDATES] [BADGE DAY]
//       the same statements on the engine's API alone (Floor.h); DATABASE
//       is a SQLite file or a PostgreSQL connection string
//   zelbench bench [--persons N,N,...] [--runs R] [--seed S] [--share PERCENT]
//                  [--postgres HOST [--pg-user USER] [--odbc DSN]] --dir DIR
//       the whole benchmark (Bench.h), on SQLite or on the PostgreSQL
//       server at HOST (a host name or socket directory), with --odbc the
//       jobs reaching that server through the ODBC data source DSN;
//       scripts/bench runs it
//   zelbench measure DIR OUTPUT -- PROGRAM [ARGS]
//       runs PROGRAM in DIR (output to OUTPUT) and prints its exit code,
//       wall seconds, CPU seconds and peak resident KiB (Measure.h)
//   zelbench delay-proxy LISTEN_SOCKET TARGET_SOCKET MICROSECONDS
//       forwards connections from one Unix socket to another, each direction
//       delayed (tools/platform/DelayProxy.h): a server across a network
//
// Exit codes: 0 done, 1 failure (reason on standard error), 2 usage.
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/Entry.h"
#include "db/StatementUses.h"
#include "tools/platform/DelayProxy.h"
#include "tools/zelbench/Bench.h"
#include "tools/zelbench/Floor.h"
#include "tools/zelbench/Generator.h"
#include "tools/zelbench/Measure.h"
#include "tools/zelbench/Sql.h"
#include "util/CivilDate.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: zelbench generate --persons N [--seed S] [--today YYYYMMDD] FILE\n"
               "       zelbench change --share PERCENT [--seed S] [--today YYYYMMDD] FILE\n"
               "       zelbench count JOB [ARGS]\n"
               "       zelbench floor JOB DATABASE [--updates UPDATES] [BADGE DAY]\n"
               "       zelbench bench [--persons N,N,...] [--runs R] [--seed S] [--share PERCENT]\n"
               "                      [--postgres HOST [--pg-user USER] [--odbc DSN]] [--only job] --dir DIR\n"
               "       zelbench measure DIR OUTPUT -- PROGRAM [ARGS]\n"
               "       zelbench delay-proxy LISTEN_SOCKET TARGET_SOCKET MICROSECONDS\n");
  return 2;
}

// Options "--name value" and the remaining words, in order.
struct Arguments {
  std::vector<std::pair<std::string, std::string>> options;
  std::vector<std::string> words;
  bool ok = true;

  Arguments(int argc, char** argv, int first) {
    for (int i = first; i < argc; ++i) {
      const std::string a = argv[i];
      if (a.rfind("--", 0) == 0) {
        if (i + 1 >= argc) ok = false;
        else options.emplace_back(a, argv[++i]);
      } else {
        words.push_back(a);
      }
    }
  }
  const std::string* Find(const std::string& name) const {
    for (const auto& [n, v] : options)
      if (n == name) return &v;
    return nullptr;
  }
  bool Known(std::initializer_list<const char*> names) const {
    for (const auto& [n, v] : options) {
      bool known = false;
      for (const char* k : names) known = known || n == k;
      if (!known) return false;
    }
    return ok;
  }
};

bool Number(const std::string* text, int64_t& out) {
  if (!text) return true;
  char* end = nullptr;
  out = std::strtoll(text->c_str(), &end, 10);
  return !text->empty() && *end == '\0';
}

bool Today(const Arguments& a, int64_t& today) {
  today = zelbench::LocalToday();
  const std::string* text = a.Find("--today");
  if (!text) return true;
  if (!IsValidDayText(text->c_str())) return false;
  const int v = std::atoi(text->c_str());
  today = DaysFromCivil(v / 10000, v / 100 % 100, v % 100);
  return true;
}

int Generate(const Arguments& a) {
  zelbench::GenerateOptions o;
  int64_t seed = 1;
  if (!a.Known({"--persons", "--seed", "--today"}) || a.words.size() != 1 || !a.Find("--persons") ||
      !Number(a.Find("--persons"), o.persons) || !Number(a.Find("--seed"), seed) || !Today(a, o.today))
    return Usage();
  o.seed = static_cast<uint64_t>(seed);
  return zelbench::Generate(a.words[0], o);
}

int Change(const Arguments& a) {
  zelbench::ChangeOptions o;
  int64_t seed = 1;
  if (!a.Known({"--share", "--seed", "--today"}) || a.words.size() != 1 || !a.Find("--share") ||
      !Number(a.Find("--seed"), seed) || !Today(a, o.today))
    return Usage();
  o.seed = static_cast<uint64_t>(seed);
  o.sharePercent = std::atof(a.Find("--share")->c_str());
  return zelbench::Change(a.words[0], o);
}

// The job exactly as zelwrkjob runs it, then what the database module counted.
int Count(int argc, char** argv) {
  std::vector<char*> args{const_cast<char*>("zelwrkjob")};
  for (int i = 2; i < argc; ++i) args.push_back(argv[i]);
  args.push_back(nullptr);
  ZelWrkJob_Main(static_cast<int>(args.size()) - 1, args.data());
  for (const zeldb::StatementUse& u : zeldb::StatementUses())
    std::printf("use\t%s\t%c\t%llu\t%llu\t%u\n", u.name, u.kind, static_cast<unsigned long long>(u.executions),
                static_cast<unsigned long long>(u.rows), u.preparations);
  const zeldb::EngineCounters& e = zeldb::Engine_Counters();
  std::printf("engine\t%llu\t%llu\t%llu\t%llu\n", static_cast<unsigned long long>(e.preparations),
              static_cast<unsigned long long>(e.repeatedPreparations),
              static_cast<unsigned long long>(e.transactionStatements), static_cast<unsigned long long>(e.commits));
  return 0;
}

int Floor(const Arguments& a) {
  zelbench::FloorOptions o;
  if (!a.Known({"--updates"}) || (a.words.size() != 2 && a.words.size() != 4) || a.words[0].size() != 1)
    return Usage();
  o.job = a.words[0][0];
  o.database = a.words[1];
  if (const std::string* u = a.Find("--updates")) o.updates = *u;
  if (a.words.size() == 4) {
    o.badge = a.words[2];
    o.firstDay = a.words[3];
  }
  return zelbench::RunFloor(o);
}

int Bench(const Arguments& a) {
  zelbench::BenchOptions o;
  int64_t runs = o.repetitions, seed = 1;
  if (!a.Known({"--persons", "--runs", "--seed", "--share", "--dir", "--postgres", "--pg-user", "--odbc", "--only"}) || !a.words.empty() || !a.Find("--dir") ||
      !Number(a.Find("--runs"), runs) || !Number(a.Find("--seed"), seed) || runs < 1)
    return Usage();
  o.directory = *a.Find("--dir");
  o.repetitions = static_cast<int>(runs);
  o.seed = static_cast<uint64_t>(seed);
  if (const std::string* share = a.Find("--share")) o.changedPercent = std::atof(share->c_str());
  if (const std::string* host = a.Find("--postgres")) o.pgHost = *host;
  if (const std::string* user = a.Find("--pg-user")) o.pgUser = *user;
  if (const std::string* dsn = a.Find("--odbc")) o.odbcDsn = *dsn;
  if (const std::string* only = a.Find("--only")) {
    if (*only != "job") return Usage();
    o.jobOnly = true;
  }
  if (o.pgHost.empty() && (a.Find("--pg-user") || a.Find("--odbc"))) return Usage();
  if (const std::string* list = a.Find("--persons")) {
    o.persons.clear();
    size_t start = 0;
    while (start <= list->size()) {
      const size_t comma = std::min(list->find(',', start), list->size());
      int64_t n = 0;
      const std::string item = list->substr(start, comma - start);
      if (!Number(&item, n) || n < 1) return Usage();
      o.persons.push_back(n);
      start = comma + 1;
    }
  }
  return zelbench::RunBench(o);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "count") return argc < 3 ? Usage() : Count(argc, argv);
  if (command == "measure") {
    if (argc < 6 || std::string(argv[4]) != "--") return Usage();
    const zelbench::Measured m =
        zelbench::RunMeasured(std::vector<std::string>(argv + 5, argv + argc), argv[2], argv[3]);
    std::printf("%d %.6f %.6f %ld\n", m.exitCode, m.wallSeconds, m.cpuSeconds, m.maxRssKiB);
    return 0;
  }
  if (command == "delay-proxy") {
    if (argc != 5) return Usage();
    return Plat_RunDelayProxy(argv[2], argv[3], std::atoi(argv[4])) == 0 ? 0 : 1;
  }
  const Arguments a(argc, argv, 2);
  if (command == "generate") return Generate(a);
  if (command == "change") return Change(a);
  if (command == "floor") return Floor(a);
  if (command == "bench") return Bench(a);
  return Usage();
}
