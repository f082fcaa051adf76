// Fuzz target: zelwrkjob's command line, through the whole entry point.
//
// The input is split at zero bytes into the arguments after the program's
// name (at most eight). ZelWrkJob_Main runs with them in a complete
// installation: an enciphered configuration file, an empty SQLite database
// with the schema, a working directory with Msg/. So every letter reaches
// its job: the argument checks of S, the single assignment's reads with the
// given badge number and day, the full check, the update job, the delete.
// The download program is not installed, so nothing is started.
#include <sqlite3.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/Entry.h"
#include "config/Idea.h"
#include "config/Ini.h"
#include "db/engine/sqlite/SqliteEngine.h"
#include "db/schema/Schema.h"

namespace {

namespace fs = std::filesystem;

fs::path g_msg;

void SetUp() {
  // Below ZEL_FUZZ_SCRATCH when given (scripts/fuzz removes it afterwards),
  // else on tmpfs where there is one: the message log writes through to
  // the disk.
  const char* scratch = std::getenv("ZEL_FUZZ_SCRATCH");
  const std::string base = scratch && *scratch ? scratch : fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
  std::string pattern = base + "/zelfuzz-argv-XXXXXX";
  const char* made = ::mkdtemp(pattern.data());
  if (!made) std::abort();
  static const fs::path root = made;
  const fs::path work = root / "system" / "jobs" / "zelwrkjob" / "work";
  g_msg = work / "Msg";
  fs::create_directories(g_msg);
  fs::create_directories(root / "files");

  sqlite3* db = nullptr;
  if (sqlite3_open((root / "files" / "zel.db").c_str(), &db) != SQLITE_OK) std::abort();
  for (const std::string& ddl : zeldb::Schema_Ddl(zeldb::Sqlite_Flavor()))
    if (sqlite3_exec(db, ddl.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) std::abort();
  sqlite3_close(db);

  std::ofstream ini(root / "files" / "veldoran.ini", std::ios::binary);
  int number = 1;
  for (const auto& [key, value] : {std::pair<const char*, const char*>{"LOGIN", "zel"},
                                   {"PASS", "secret"},
                                   {"NET8", "..\\..\\..\\..\\files\\zel.db"}}) {
    ini << ";DB;\r\n" << number++ << ";" << key << ";" << Idea_Encipher(value, kIniCipherKey, kIdeaFormDigits) << "\r\n";
  }
  ini.close();
  fs::current_path(work);
  // No download program anywhere: the entry point's start finds none.
  ::setenv("PATH", "/nonexistent", 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (SetUp(), true);
  (void)ready;

  std::vector<std::string> words{"zelwrkjob"};
  std::string current;
  for (size_t i = 0; i < size && words.size() < 9; ++i) {
    if (data[i] == 0) {
      words.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  if (words.size() < 9 && (size == 0 || data[size - 1] != 0)) words.push_back(current);
  if (size == 0) words.resize(1);  // no arguments at all

  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  if (ZelWrkJob_Main(static_cast<int>(words.size()), argv.data()) != 0) std::abort();

  // Keep the logs small over millions of runs.
  static unsigned runs = 0;
  if (++runs % 2000 == 0) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(g_msg, ec)) fs::remove(e.path(), ec);
  }
  return 0;
}
