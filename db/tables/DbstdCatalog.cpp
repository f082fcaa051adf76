#include "db/tables/DbstdCatalog.h"

namespace zeldb {
namespace {
std::vector<const StatementGroup*> Groups() {
  return {&DbstdPrv_Group(), &DbstdAsw_Group(), &DbstdBak_Group(), &DbstdApk_Group(), &DbstdApg_Group(),
          &DbstdUbg_Group(), &DbstdKsg_Group(), &DbstdFzu_Group(), &DbstdAem_Group(), &DbstdVrgNzp_Group(),
          &DbstdCheck_Group()};
}
}  // namespace

const std::vector<std::string_view>& Dbstd_JobStatementNames() {
  static const std::vector<std::string_view> names = {
      // Mvs510Prv
      "Prv_PKeyReadk", "Prv_PKeyIns", "Prv_PKeyUpd", "Prv_Delete", "Prv_PnrRange",
      // assignments, persons, employment periods, cost centres
      "Asw_PKeyReadk", "Asw_PnrAll", "Asw_Num", "Asw_Pnr", "Pnr_PKeyReadk", "Bsv_PnrReadk", "Ztg_PnrReadk",
      // the calendar (Bak_Calc's day shift)
      "Bak_DateReadk"};
  return names;
}

std::vector<const StatementDef*> Dbstd_Statements() {
  std::vector<const StatementDef*> all;
  for (const StatementGroup* g : Groups()) all.insert(all.end(), g->statements.begin(), g->statements.end());
  return all;
}

std::vector<const CursorDef*> Dbstd_Cursors() {
  std::vector<const CursorDef*> all;
  for (const StatementGroup* g : Groups()) all.insert(all.end(), g->cursors.begin(), g->cursors.end());
  return all;
}

}  // namespace zeldb
