#include "db/StatementUses.h"

#include "db/Session.h"

namespace zeldb {

std::vector<StatementUse> StatementUses() {
  const Session* session = CurrentSession();
  return session ? session->Uses() : std::vector<StatementUse>{};
}

}  // namespace zeldb
