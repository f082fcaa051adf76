// Every statement and cursor of db/Dbstd and of the pre-run checks
// (db/DbstdCheck.h), for the checks that prepare all of
// them on an engine (a wrong text must fail a test, not a nightly run).
#pragma once

#include <string_view>
#include <vector>

#include "db/Statement.h"

namespace zeldb {

struct StatementGroup {
  std::vector<const StatementDef*> statements;
  std::vector<const CursorDef*> cursors;
};

// One group per statement file of the module.
const StatementGroup& DbstdPrv_Group();
const StatementGroup& DbstdAsw_Group();
const StatementGroup& DbstdBak_Group();
const StatementGroup& DbstdApk_Group();
const StatementGroup& DbstdApg_Group();
const StatementGroup& DbstdUbg_Group();
const StatementGroup& DbstdKsg_Group();
const StatementGroup& DbstdFzu_Group();
const StatementGroup& DbstdAem_Group();
const StatementGroup& DbstdVrgNzp_Group();
const StatementGroup& DbstdCheck_Group();

// The names of the statements and cursors that the jobs (A, U, S, L) run,
// as StatementDef::name and CursorDef::name give them; every statement of
// such a name belongs to the jobs (Prv_PKeyIns names its insert and the
// look-up of the default FbeFbe). The rest of the module (the shop-floor
// operations among it) no job calls.
const std::vector<std::string_view>& Dbstd_JobStatementNames();

// All groups together.
std::vector<const StatementDef*> Dbstd_Statements();
std::vector<const CursorDef*> Dbstd_Cursors();

}  // namespace zeldb
