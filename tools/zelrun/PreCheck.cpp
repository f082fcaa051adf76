#include "tools/zelrun/PreCheck.h"

#include <filesystem>
#include <set>
#include <string_view>

#include "config/Idea.h"
#include "config/Ini.h"
#include "db/DbDb.h"
#include "db/Dbstd.h"
#include "db/EngineFactory.h"
#include "platform/InstallationFiles.h"
#include "platform/Path.h"
#include "platform/ShellOpen.h"
#include "tools/platform/FileAccess.h"
#include "tools/platform/ShownPath.h"
#include "tools/zelrun/ClockCheck.h"
#include "tools/zelrun/MasterDataCheck.h"
#include "util/OraStatus.h"

namespace {

constexpr const char* kMsgFolder = ".\\Msg";
constexpr const char* kLogFiles[] = {kMessageLogFile, kMessageLogOldFile, kJobLogFile};
constexpr const char* kLoginKeys[] = {"LOGIN", "PASS", "NET8"};
// SQLite makes these beside the database file; one left by a run of another
// account must be writable too, or the job's writes fail.
constexpr const char* kCompanions[] = {"-wal", "-shm", "-journal"};

using Problems = std::vector<std::string>;

void Add(Problems& problems, const std::string& what, const std::string& systemPath) {
  problems.push_back("zelrun: " + what + ": " + Plat_ShownPath(Plat_NativePath(systemPath)));
}

// A stored value deciphers when enciphering its plain text gives it back:
// a changed or cut digit group deciphers to words that are no characters,
// and those do not encipher back to it. An empty value is stored as nothing.
bool Decipherable(const std::string& stored) {
  const std::string plain = Idea_Decipher(stored, kIniCipherKey, kIdeaFormDigits);
  if (plain.empty()) return stored.empty() || stored == "\n";
  return Idea_Encipher(plain, kIniCipherKey, kIdeaFormDigits) == stored;
}

// True when the three values are there, so that a connect can be tried.
bool CheckConfiguration(Problems& problems) {
  const PlatFileInfo file = Plat_FileInfo(kIniFileName);
  if (!file.exists) {
    Add(problems, "no configuration file", kIniFileName);
    return false;
  }
  if (file.isDirectory || !Plat_ReadableByMe(kIniFileName)) {
    Add(problems, "configuration file not readable by this user", kIniFileName);
    return false;
  }
  bool fit = true;
  for (const char* key : kLoginKeys) {
    const std::string name = std::string("configuration value ") + key;
    IniPair pair;
    if (!Ini_FindPair("", key, 0, kIniFileName, pair)) {
      Add(problems, name + " missing", kIniFileName);
      fit = false;
    } else if (!Decipherable(pair.value)) {
      Add(problems, name + " not decipherable", kIniFileName);
      fit = false;
    } else {
      const std::size_t length = Idea_Decipher(pair.value, kIniCipherKey, kIdeaFormDigits).size();
      if (length > kIniLoginWidth - 1) {
        Add(problems, name + " longer than 40 characters", kIniFileName);
        fit = false;
      } else if (length == 0 && std::string_view(key) == "NET8") {
        Add(problems, name + " empty", kIniFileName);
        fit = false;
      }
    }
  }
  return fit;
}

void CheckMsgFolder(Problems& problems) {
  const PlatFileInfo folder = Plat_FileInfo(kMsgFolder);
  if (!folder.exists) {
    Add(problems, "no Msg folder", kMsgFolder);
    return;
  }
  if (!folder.isDirectory) {
    Add(problems, "Msg is not a folder", kMsgFolder);
    return;
  }
  if (!Plat_WritableByMe(kMsgFolder)) Add(problems, "Msg folder not writable by this user", kMsgFolder);
  for (const char* log : kLogFiles) {
    if (Plat_FileInfo(log).exists && !Plat_WritableByMe(log)) Add(problems, "log file not writable by this user", log);
  }
}

// The SQLite database file, its folder and the companions left beside it.
// False when there is no file to connect to.
bool CheckDatabaseFile(Problems& problems, const std::string& file) {
  const PlatFileInfo info = Plat_FileInfo(file);
  if (!info.exists || info.isDirectory) {
    Add(problems, "no database file", file);
    return false;
  }
  if (!Plat_WritableByMe(file)) Add(problems, "database file not writable by this user", file);
  const std::string folder = std::filesystem::path(Plat_NativePath(file)).parent_path().string();
  if (!Plat_WritableByMe(folder.empty() ? "." : folder)) {
    Add(problems, "database folder not writable by this user", folder.empty() ? "." : folder);
  }
  for (const char* suffix : kCompanions) {
    const std::string companion = file + suffix;
    if (Plat_FileInfo(companion).exists && !Plat_WritableByMe(companion)) {
      Add(problems, "database companion file not writable by this user", companion);
    }
  }
  return true;
}

// The connect and one read of Mvs510Prv, as the job makes them, then on the
// same session the database's clock and the master data (those checks not
// skipped). None writes a message: that is left to the job's entry point,
// which the wrapper does not run. The session is closed again before the
// job runs.
void CheckDatabase(Problems& problems, const std::set<std::string>& skipped) {
  char user[kIniLoginWidth] = {};
  char password[kIniLoginWidth] = {};
  char service[kIniLoginWidth] = {};
  Ini_ReadLogin(user, password, service);
  const bool server = zeldb::Engine_IsServer(service);
  if (!server && !CheckDatabaseFile(problems, service)) return;
  // The server's connection string is named without a password it may hold;
  // a file by its full path.
  const auto name = [&](const std::string& text) {
    if (server) {
      problems.push_back("zelrun: " + text + ": " + zeldb::Engine_ShownServer(service));
    } else {
      Add(problems, text, service);
    }
  };
  const auto failed = [](const std::string& what, int32_t status) {
    return what + " (" + Ora_StatusShown(status) + ")";
  };
  const int32_t connected = dbConnect();
  if (connected != ora::kOk) {
    name(failed("database unreachable", connected));
    return;
  }
  PrvRecord rec{};
  const int32_t read = Prv_PKeyReadk(rec);
  if (read != ora::kOk && read != ora::kNoRow) {
    name(failed("database read of Mvs510Prv failed", read));
  } else {
    if (!skipped.count(kClockCheck)) {
      if (const std::string clock = ClockCheck_Problem(); !clock.empty()) name(clock);
    }
    for (const std::string& problem : MasterDataCheck_Problems(skipped)) name(problem);
  }
  dbDisconnect();
}

void CheckDownloadProgram(Problems& problems) {
  if (Plat_FindProgram(kDownloadProgramFile).empty()) {
    Add(problems, "download program not found in the working directory or on PATH", kDownloadProgramFile);
  }
}

}  // namespace

const std::vector<std::string>& PreCheck_SkippableChecks() {
  static const std::vector<std::string> names = {kClockCheck, kCostCentresCheck, kCalendarCheck, kDefaultCodeCheck};
  return names;
}

std::vector<std::string> PreCheck_Installation(const std::set<std::string>& skipped) {
  Problems problems;
  const bool configured = CheckConfiguration(problems);
  CheckMsgFolder(problems);
  if (configured) CheckDatabase(problems, skipped);
  CheckDownloadProgram(problems);
  return problems;
}

std::vector<std::string> PreCheck_Warnings() {
  Problems warnings;
  const PlatFileInfo folder = Plat_FileInfo(kMsgFolder);
  if (folder.isDirectory && !Plat_OwnedByMe(kMsgFolder)) {
    Add(warnings,
        "warning: Msg folder not owned by this user; the logs this run makes are this user's and the owner's "
        "next run may not write them",
        kMsgFolder);
  }
  return warnings;
}
