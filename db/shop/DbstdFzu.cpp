// Mvs553Fzu: the two whole-row reads, by FzuFcd among the current rows
// (FzuAec "0") and by FzuMld.
#include <cstddef>

#include "db/Statement.h"
#include "db/shop/DbstdShop.h"
#include "db/tables/DbstdCatalog.h"
#include "db/tables/RowReads.h"

using zeldb::StatementDef;
using zeldb::StmtKind;

namespace {

using Fzu = FzuRecord;

const zeldb::KeptFields kFzuFcd = {ZEL_HV_TEXT(Fzu, FzuFcd)};
const zeldb::KeptFields kFzuMld = {ZEL_HV_TEXT(Fzu, FzuMld)};

const std::vector<zeldb::HostVar> kFzuRow =
    {ZEL_HV_TEXT(Fzu, FzuFcd), ZEL_HV_TEXT(Fzu, FzuMld), ZEL_HV_TEXT(Fzu, FzuBez), ZEL_HV_TEXT(Fzu, FzuTxt),
     ZEL_HV_INT(Fzu, FzuArt), ZEL_HV_INT(Fzu, FzuObj), ZEL_HV_INT(Fzu, FzuUpl), ZEL_HV_INT(Fzu, FzuGen),
     ZEL_HV_TEXT(Fzu, FzuZf1), ZEL_HV_TEXT(Fzu, FzuZf2), ZEL_HV_TEXT(Fzu, FzuZf3), ZEL_HV_SHORT(Fzu, FzuSta),
     ZEL_HV_TEXT(Fzu, FzuErf)};

const StatementDef kFzuPKeyReadk{
    "Fzu_PKeyReadk", StmtKind::SelectInto,
    "select FzuFcd ,FzuMld ,FzuBez ,FzuTxt ,FzuArt ,FzuObj ,FzuUpl ,FzuGen ,FzuZf1 ,FzuZf2 ,FzuZf3 ,FzuSta ,FzuErf "
    "into :b0:b1,:b2:b3,:b4:b5,:b6:b7,:b8:b9,:b10:b11,:b12:b13,:b14:b15,:b16:b17,:b18:b19,:b20:b21,:b22:b23,"
    ":b24:b25  from Mvs553Fzu where (FzuFcd=:b0 and FzuAec='0')",
    kFzuRow, {}, nullptr, sizeof(Fzu)};

const StatementDef kFzuMldReadk{
    "Fzu_MldReadk", StmtKind::SelectInto,
    "select FzuFcd ,FzuMld ,FzuBez ,FzuTxt ,FzuArt ,FzuObj ,FzuUpl ,FzuGen ,FzuZf1 ,FzuZf2 ,FzuZf3 ,FzuSta ,FzuErf "
    "into :b0:b1,:b2:b3,:b4:b5,:b6:b7,:b8:b9,:b10:b11,:b12:b13,:b14:b15,:b16:b17,:b18:b19,:b20:b21,:b22:b23,"
    ":b24:b25  from Mvs553Fzu where FzuMld=:b2",
    kFzuRow, {}, nullptr, sizeof(Fzu)};

}  // namespace

int32_t Fzu_PKeyReadk(FzuRecord& rec) { return zeldb::Stmt_ReadRow(kFzuPKeyReadk, &rec, kFzuFcd); }
int32_t Fzu_MldReadk(FzuRecord& rec) { return zeldb::Stmt_ReadRow(kFzuMldReadk, &rec, kFzuMld); }

const zeldb::StatementGroup& zeldb::DbstdFzu_Group() {
  static const StatementGroup group{{&kFzuPKeyReadk, &kFzuMldReadk}, {}};
  return group;
}
