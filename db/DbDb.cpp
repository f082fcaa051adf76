#include "db/DbDb.h"

#include <memory>
#include <string>

#include "config/Ini.h"
#include "db/EngineFactory.h"
#include "db/Session.h"
#include "db/engine/Engine.h"
#include "util/OraStatus.h"

namespace {
// The connect buffer holds 100 characters; a longer combination would not
// have fitted the original's buffer and is refused rather than cut.
constexpr size_t kConnectCapacity = 100;
constexpr size_t kLoginPlaces = 52;
}  // namespace

int32_t dbConnect() {
  char user[kLoginPlaces] = {};
  char password[kLoginPlaces] = {};
  char service[kLoginPlaces] = {};
  Ini_ReadLogin(user, password, service);

  // LOGIN "/" PASS "@" NET8, nothing trimmed or tested.
  const std::string connectString = std::string(user) + "/" + password + "@" + service;
  if (connectString.size() > kConnectCapacity) return ora::kValueTooLarge;

  std::unique_ptr<zeldb::EngineConnection> connection;
  const int32_t status = zeldb::Engine_Connect({user, password, service}, connection);
  if (status != ora::kOk) return status;
  zeldb::InstallSession(std::make_unique<zeldb::Session>(std::move(connection)));
  return ora::kOk;
}

void dbCommit() {
  if (zeldb::Session* session = zeldb::CurrentSession()) session->Main().Commit();
}

void dbRollback() {
  if (zeldb::Session* session = zeldb::CurrentSession()) session->Main().Rollback();
}

void dbDisconnect() { zeldb::InstallSession(nullptr); }
