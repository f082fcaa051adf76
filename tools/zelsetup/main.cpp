// zelsetup: creates the database of an installation.
//
//   zelsetup schema DB        creates the tables and indexes of the system
//                             (tables already there are kept)
//   zelsetup demo-data DB     fills a database holding the schema with the
//                             demo data set, relative to today
//
// DB is given as NET8 is: a SQLite database file (created when it does not
// exist, readable and writable by its owner only; an existing file keeps its
// mode), or a PostgreSQL connection string, a URI "postgresql://..." or
// key=value pairs ("host=/run/postgresql dbname=zel user=zel"); the
// PostgreSQL database itself must exist.
//
// Exit codes: 0 done, 1 database error (with the status on stderr), 2 usage.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "DemoData.h"
#include "db/EngineFactory.h"
#include "db/engine/Engine.h"
#include "db/engine/postgres/PgEngine.h"
#include "db/schema/Schema.h"
#include "platform/Clock.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: zelsetup schema DB | zelsetup demo-data DB\n"
               "  DB: a SQLite database file, or a PostgreSQL connection string\n");
  return 2;
}

// Creates the empty file `path` readable and writable by its owner only,
// whatever the umask: the database holds names and addresses. SQLite gives
// the -wal and -shm files it creates beside it the same mode. Returns 0 or
// the system error number.
int CreatePrivateFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (fd < 0) return errno == EEXIST ? 0 : errno;  // made meanwhile: an existing file
  int error = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0 ? 0 : errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) ::unlink(path.c_str());
  return error;
}

int RunAll(zeldb::EngineConnection& db, const std::vector<std::string>& statements) {
  int32_t status = db.ExecDirect("BEGIN");
  for (size_t i = 0; status == 0 && i < statements.size(); ++i) {
    status = db.ExecDirect(statements[i]);
    if (status != 0) std::fprintf(stderr, "zelsetup: status %d for: %s\n", status, statements[i].c_str());
  }
  if (status != 0) {
    db.ExecDirect("ROLLBACK");
    return 1;
  }
  status = db.ExecDirect("COMMIT");
  if (status != 0) {
    std::fprintf(stderr, "zelsetup: commit failed with status %d\n", status);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return Usage();
  const std::string command = argv[1];
  const std::string file = argv[2];
  if (command != "schema" && command != "demo-data") return Usage();

  const bool postgres = zeldb::Pg_IsConnectString(file);
  if (command == "schema" && !postgres && !std::filesystem::exists(file)) {
    // An empty file is an empty SQLite database; the engine itself never
    // creates one, so that a wrong NET8 cannot.
    if (const int error = CreatePrivateFile(file); error != 0) {
      std::fprintf(stderr, "zelsetup: cannot create %s: %s\n", file.c_str(), std::strerror(error));
      return 1;
    }
  }
  std::unique_ptr<zeldb::EngineConnection> db;
  const int32_t status = zeldb::Engine_Connect({"", "", file}, db);
  if (status != 0) {
    std::fprintf(stderr, "zelsetup: cannot open %s (status %d)\n", file.c_str(), status);
    return 1;
  }
  if (command == "schema") {
    if (postgres) return RunAll(*db, zeldb::Schema_Ddl(db->Flavor()));
    db->ExecDirect("PRAGMA journal_mode=WAL");
    return RunAll(*db, zeldb::Schema_Ddl(db->Flavor()));
  }
  // The demo rows name every table without its schema.
  if (postgres) db->ExecDirect("SET search_path TO public, MvSystem");
  return RunAll(*db, DemoData_Statements(Plat_Now()));
}
