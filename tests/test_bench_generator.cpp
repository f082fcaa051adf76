// The benchmark data generator (zelbench generate / change): the same seed
// gives the same database, the share of changed persons is the one asked for,
// and the changes are exactly what a full check then acts on.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace zeltest {
namespace {

constexpr const char* kDay = "20250610";

// Every master-data row, one text per row, in a fixed order.
std::vector<std::string> Content(const std::string& file) {
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  std::vector<std::string> rows;
  for (const char* table : {"Mvs300Pnr", "Mvs310Bsv", "Mvs301Asw", "Mvs329Ztg", "Mvs133Bak", "Mvs559Fbe", "Mvs510Prv"}) {
    sqlite3_stmt* st = nullptr;
    const std::string sql = std::string("select * from ") + table + " order by 1, 2, 3";
    EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr), SQLITE_OK) << sql;
    while (st && sqlite3_step(st) == SQLITE_ROW) {
      std::string row = table;
      for (int c = 0; c < sqlite3_column_count(st); ++c) {
        const unsigned char* t = sqlite3_column_text(st, c);
        row += '|';
        row += t ? reinterpret_cast<const char*>(t) : "<null>";
      }
      rows.push_back(row);
    }
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return rows;
}

// The person of a master-data row (its person-number column).
std::string PersonOf(const std::string& row) {
  std::vector<std::string> f;
  size_t start = 0, bar;
  while ((bar = row.find('|', start)) != std::string::npos) {
    f.push_back(row.substr(start, bar - start));
    start = bar + 1;
  }
  f.push_back(row.substr(start));
  if (f[0] == "Mvs301Asw") return f[4];  // AswNum, AswGvo, AswGbi, AswPnr ...
  return f[1];
}

std::set<std::string> ChangedPersons(const std::vector<std::string>& before, const std::vector<std::string>& after) {
  std::vector<std::string> differ;
  std::set_symmetric_difference(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(differ));
  std::set<std::string> persons;
  for (const std::string& row : differ) persons.insert(PersonOf(row));
  return persons;
}

ProcessResult Bench(const std::vector<std::string>& args, const fs::path& cwd) {
  std::vector<std::string> argv{Program("zelbench")};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProcess(argv, cwd);
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

TEST(BenchGenerator, SameSeedSameDatabaseOtherSeedOtherData) {
  TempDir dir;
  for (const char* name : {"a.db", "b.db", "c.db"}) {
    const std::string seed = std::string(name) == "c.db" ? "8" : "7";
    auto r = Bench({"generate", "--persons", "200", "--seed", seed, "--today", kDay, (dir / name).string()}, dir.path());
    ASSERT_EQ(r.exitCode, 0) << r.output;
  }
  const auto a = Content((dir / "a.db").string());
  EXPECT_EQ(a, Content((dir / "b.db").string()));
  EXPECT_NE(a, Content((dir / "c.db").string()));

  // Every person has a name, an employment period and a badge current on
  // the day; the download table is left to the jobs.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2((dir / "a.db").string().c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  auto count = [db](const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    const int n = st && sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : -1;
    sqlite3_finalize(st);
    return n;
  };
  const std::string day = "'2025-06-10 00:00:00'";
  EXPECT_EQ(count("select count(*) from Mvs300Pnr"), 200);
  EXPECT_EQ(count("select count(distinct BsvPnr) from Mvs310Bsv where BsvGvo<=" + day + " and (BsvGbi is null or BsvGbi>=" +
                  day + ")"), 200);
  EXPECT_EQ(count("select count(distinct AswPnr) from Mvs301Asw where AswGvo<=" + day + " and (AswGbi is null or AswGbi>=" +
                  day + ")"), 200);
  EXPECT_EQ(count("select count(*) from Mvs329Ztg where ZtgVon=" + day), 200);
  EXPECT_EQ(count("select count(*) from Mvs510Prv"), 0);
  sqlite3_close(db);

  // generate never overwrites a database.
  EXPECT_EQ(Bench({"generate", "--persons", "5", (dir / "a.db").string()}, dir.path()).exitCode, 1);
}

TEST(BenchGenerator, ChangeAltersExactlyTheShareAskedForAndTheSameOnesForASeed) {
  TempDir dir;
  for (const char* name : {"base.db", "x.db", "y.db"}) {
    auto r = Bench({"generate", "--persons", "200", "--seed", "3", "--today", kDay, (dir / name).string()}, dir.path());
    ASSERT_EQ(r.exitCode, 0) << r.output;
  }
  const auto base = Sorted(Content((dir / "base.db").string()));
  for (const char* name : {"x.db", "y.db"}) {
    auto r = Bench({"change", "--share", "10", "--seed", "5", "--today", kDay, (dir / name).string()}, dir.path());
    ASSERT_EQ(r.exitCode, 0) << r.output;
  }
  const auto x = Sorted(Content((dir / "x.db").string()));
  EXPECT_EQ(x, Sorted(Content((dir / "y.db").string())));
  EXPECT_EQ(ChangedPersons(base, x).size(), 20u);
}

// Generated data brought in line by U, then changed: the full check that
// follows writes lines for exactly the changed persons, and a second one
// finds nothing left to do.
TEST(BenchGenerator, AFullCheckAfterAChangeActsOnExactlyTheChangedPersons) {
  // An installation as the benchmark lays it out, on the generated file.
  TempDir root;
  const fs::path work = root / "system/jobs/zelwrkjob/work";
  const std::string db = (root / "files/zel.db").string();
  fs::create_directories(work / "Msg");
  fs::create_directories(root / "files");
  fs::copy_file(Program("zeldnlstd"), work / "ZELDNLSTD.EXE");
  auto r = RunProcess({Program("zelcfg"), "set", "--create", "--file", (root / "files/veldoran.ini").string(), "--login", "zel",
                       "--net8", "..\\..\\..\\..\\files\\zel.db"},
                      root.path(), "secret\n");
  ASSERT_EQ(r.exitCode, 0) << r.output;
  r = Bench({"generate", "--persons", "200", "--seed", "11", db}, root.path());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  auto run = [&work](const char* letter) { RunProcess({Program("zelwrkjob"), letter}, work); };

  run("U");
  const auto inLine = Sorted(Content(db));
  r = Bench({"change", "--share", "10", "--seed", "11", db}, root.path());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  const std::set<std::string> changed = ChangedPersons(inLine, Sorted(Content(db)));
  ASSERT_EQ(changed.size(), 20u);

  auto lastSection = [&work] {
    // The persons named in the job log's last section (header, lines, empty line).
    const std::string log = ReadFile(work / "Msg" / "WrkJobLog.Txt");
    std::set<std::string> persons;
    const size_t header = log.rfind("Datum: ");
    for (size_t at = log.find("PNR: ", header); at != std::string::npos; at = log.find("PNR: ", at + 1))
      persons.insert(log.substr(at + 5, 8));
    return persons;
  };
  run("A");
  EXPECT_EQ(lastSection(), changed);
  EXPECT_FALSE(fs::exists(work / "Msg" / "ZelWrkJob.txt")) << "no failure reported";
  run("A");
  EXPECT_TRUE(lastSection().empty());
}

}  // namespace
}  // namespace zeltest
