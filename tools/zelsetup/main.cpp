// zelsetup: creates the database of an installation.
//
//   zelsetup schema [--grant ACCOUNT] DB
//                                     creates the tables and indexes of the
//                                     system (tables already there are kept);
//                                     --grant: the SQLite file, new or not, is
//                                     readable and writable by ACCOUNT too
//   zelsetup demo-data [--force] DB   fills a database holding the schema
//                                     with the demo data set, relative to
//                                     today; refused when any table it fills
//                                     holds rows already, unless --force
//
// DB is given as NET8 is: a SQLite database file (created when it does not
// exist, readable and writable by its owner only; an existing file keeps its
// mode), or a PostgreSQL connection string, a URI "postgresql://..." or
// key=value pairs ("host=/run/postgresql dbname=zel user=zel"), or an ODBC
// data source ("DSN=zel", with UID and PWD where the source needs them); the
// server's database itself must exist.
//
// Every message names the database: a SQLite file by its absolute path, a
// connection string without its password.
//
// Exit codes: 0 done, 1 database error (with the status on stderr) or a
// database that holds data already, 2 usage.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "DemoData.h"
#include "db/EngineFactory.h"
#include "db/engine/Engine.h"
#include "db/schema/Schema.h"
#include "platform/Clock.h"
#include "platform/Path.h"
#include "tools/platform/Grant.h"
#include "tools/platform/PrivateFile.h"
#include "tools/platform/ShownPath.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int Usage() {
  std::fprintf(stderr, "usage: zelsetup schema [--grant ACCOUNT] DB | zelsetup demo-data [--force] DB\n"
               "  DB: a SQLite database file, or a PostgreSQL connection string\n"
               "  --grant ACCOUNT: the account that runs the job may read and write the\n"
               "    SQLite file as well as the account that runs zelsetup (Windows:\n"
               "    DOMAIN\\name; Linux: group:NAME, mode 0660, or user:NAME, the owner)\n"
               "  --force: load the demo data into a database that holds data already\n");
  return kExitUsage;
}

int RunAll(zeldb::EngineConnection& db, const std::string& shown, const std::vector<std::string>& statements) {
  int32_t status = db.ExecDirect("BEGIN");
  for (size_t i = 0; status == 0 && i < statements.size(); ++i) {
    status = db.ExecDirect(statements[i]);
    if (status != 0) {
      std::fprintf(stderr, "zelsetup: %s: status %d for: %s\n", shown.c_str(), status, statements[i].c_str());
    }
  }
  if (status != 0) {
    db.ExecDirect("ROLLBACK");
    return kExitFailed;
  }
  status = db.ExecDirect("COMMIT");
  if (status != 0) {
    std::fprintf(stderr, "zelsetup: %s: commit failed with status %d\n", shown.c_str(), status);
    return kExitFailed;
  }
  return kExitOk;
}

// The tables of `tables` that hold rows, as "Mvs300Pnr 1 row, Mvs301Asw 3 rows", into
// `filled`. Returns 0 or the status of the first read that failed (a
// missing table: -942), naming that table in `failedTable`.
int32_t FilledTables(zeldb::EngineConnection& db, const std::vector<std::string>& tables, std::string& filled,
                     std::string& failedTable) {
  for (const std::string& table : tables) {
    std::unique_ptr<zeldb::EngineStatement> count;
    int32_t status = db.Prepare("select count(*) from " + table, count);
    if (status == 0) status = count->Step();
    if (status != 0) {
      failedTable = table;
      return status;
    }
    if (const int64_t rows = count->ColumnInt(0); rows > 0) {
      filled += (filled.empty() ? "" : ", ") + table + " " + std::to_string(rows) + (rows == 1 ? " row" : " rows");
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  const std::string command = args[0];
  args.erase(args.begin());
  bool force = false;
  std::string grantName;
  bool granted = false;
  if (command == "schema") {
    for (auto it = args.begin(); it != args.end();) {
      if (*it == "--grant" && it + 1 != args.end()) {
        grantName = *(it + 1);
        granted = true;
        it = args.erase(it, it + 2);
      } else if (it->rfind("--grant=", 0) == 0) {
        grantName = it->substr(8);
        granted = true;
        it = args.erase(it);
      } else {
        ++it;
      }
    }
  }
  if (command == "demo-data") {
    for (auto it = args.begin(); it != args.end();) {
      if (*it != "--force") {
        ++it;
        continue;
      }
      force = true;
      it = args.erase(it);
    }
  }
  if ((command != "schema" && command != "demo-data") || args.size() != 1 || args[0].empty() ||
      args[0][0] == '-') {
    return Usage();
  }

  const bool server = zeldb::Engine_IsServer(args[0]);
  // A file name is taken as NET8 takes it: a backslash counts as a slash.
  const std::string target = server ? args[0] : Plat_NativePath(args[0]);
  const std::string shown = server ? zeldb::Engine_ShownServer(target) : Plat_ShownPath(target);
  // The account is looked up before anything is made.
  PlatGrant grant;
  if (granted) {
    if (server) {
      std::fprintf(stderr, "zelsetup: --grant is for a SQLite database file; a server grants its own rights\n");
      return kExitUsage;
    }
    if (const std::string error = Plat_ResolveGrant(grantName, PlatGrantRights::ReadWrite, grant); !error.empty()) {
      std::fprintf(stderr, "zelsetup: --grant: %s\n", error.c_str());
      return kExitUsage;
    }
  }
  std::error_code ec;
  if (command == "schema" && !server && (granted || !std::filesystem::exists(target, ec))) {
    // An empty file is an empty SQLite database; the engine itself never
    // creates one, so that a wrong NET8 cannot. The database holds names and
    // addresses: the file is its owner's alone, and the account's named
    // with --grant, which an existing file gets as well (on POSIX, SQLite
    // gives the -wal and -shm files it creates beside it the same mode).
    if (const std::string error = Plat_CreatePrivateFile(target, granted ? &grant : nullptr); !error.empty()) {
      if (granted) {
        std::fprintf(stderr, "zelsetup: cannot make %s readable and writable by %s: %s\n", shown.c_str(),
                     grant.name.c_str(), error.c_str());
      } else {
        std::fprintf(stderr, "zelsetup: cannot create %s: %s\n", shown.c_str(), error.c_str());
      }
      return kExitFailed;
    }
  }
  std::unique_ptr<zeldb::EngineConnection> db;
  const int32_t status = zeldb::Engine_Connect({"", "", target}, db);
  if (status != 0) {
    std::fprintf(stderr, "zelsetup: cannot open %s (status %d)\n", shown.c_str(), status);
    return kExitFailed;
  }
  if (command == "schema") {
    if (!server) db->ExecDirect("PRAGMA journal_mode=WAL");
    const int code = RunAll(*db, shown, zeldb::Schema_Ddl(db->Flavor()));
    if (code == kExitOk) {
      std::printf("zelsetup: schema in %s%s\n", shown.c_str(),
                  granted ? (", readable and writable by " + grant.name).c_str() : "");
    }
    return code;
  }

  // The demo rows name every table without its schema (PostgreSQL; on
  // Oracle the statement fails and changes nothing).
  if (server) db->ExecDirect("SET search_path TO public, MvSystem");
  // Demo persons among a site's own would reach its terminals with the next
  // run: a database in use is left alone unless --force says it is meant.
  std::string filled, failedTable;
  if (const int32_t read = FilledTables(*db, DemoData_Tables(), filled, failedTable); read != 0) {
    std::fprintf(stderr, "zelsetup: %s: cannot read %s (status %d); does it hold the schema (zelsetup schema)?\n",
                 shown.c_str(), failedTable.c_str(), read);
    return kExitFailed;
  }
  if (!filled.empty() && !force) {
    std::fprintf(stderr, "zelsetup: %s holds data already (%s); demo-data is meant for an empty database, "
                 "--force loads it anyway\n", shown.c_str(), filled.c_str());
    return kExitFailed;
  }
  const int code = RunAll(*db, shown, DemoData_Statements(Plat_Now()));
  if (code == kExitOk) std::printf("zelsetup: demo data in %s\n", shown.c_str());
  return code;
}
