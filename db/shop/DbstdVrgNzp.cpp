// The value table Mvs555Vrg and the periods of Mvs591Nzp.
#include <cstddef>

#include "db/Statement.h"
#include "db/shop/DbstdShop.h"
#include "db/tables/DbstdCatalog.h"

using zeldb::StatementDef;
using zeldb::StmtKind;

namespace {

using V = VrgRecord;
using N = NzpRecord;

const StatementDef kVrgReadk{"Vrg_Readk", StmtKind::SelectInto,
    "select VrgWrt into :b0:b1  from Mvs555Vrg where (VrgBer=:b2 and VrgFld=:b3)",
                             {ZEL_HV_TEXT(V, VrgWrt)}, {ZEL_HV_TEXT(V, VrgBer), ZEL_HV_TEXT(V, VrgFld)}, nullptr,
                             sizeof(V)};

// The period of NzpAkz that began before today and ends after today: the
// first and the last day themselves do not count.
const StatementDef kNzpAktReadk{
    "Nzp_AktReadk", StmtKind::SelectInto,
    "select NzpAkz ,TO_CHAR(NzpGvn,'yyyymmdd') ,TO_CHAR(NzpGbi,'yyyymmdd') ,NzpAak ,NzpAwt ,NzpKjh ,NzpKmn ,NzpKwo ,"
    "NzpKtg ,NzpAan ,NzpVfh ,NzpNfh ,NzpAus ,NzpMrk into :b0:b1,:b2:b3,:b4:b5,:b6:b7,:b8:b9,:b10:b11,:b12:b13,"
    ":b14:b15,:b16:b17,:b18:b19,:b20:b21,:b22:b23,:b24:b25,:b26:b27  from Mvs591Nzp where ((NzpAkz=:b0 and "
    "NzpGvn<trunc(sysdate)) and NzpGbi>trunc(sysdate))",
    {ZEL_HV_INT(N, NzpAkz), ZEL_HV_TEXT(N, NzpGvn), ZEL_HV_TEXT(N, NzpGbi), ZEL_HV_INT(N, NzpAak),
     ZEL_HV_INT(N, NzpAwt), ZEL_HV_INT(N, NzpKjh), ZEL_HV_INT(N, NzpKmn), ZEL_HV_INT(N, NzpKwo),
     ZEL_HV_INT(N, NzpKtg), ZEL_HV_INT(N, NzpAan), ZEL_HV_INT(N, NzpVfh), ZEL_HV_INT(N, NzpNfh),
     ZEL_HV_TEXT(N, NzpAus), ZEL_HV_INT(N, NzpMrk)},
    {}, nullptr, sizeof(N)};

const StatementDef kNzpPKeyUpd{
    "Nzp_PKeyUpd", StmtKind::Update,
    "update Mvs591Nzp  set NzpAan=:b0,NzpVfh=:b1,NzpNfh=:b2,NzpAus=:b3,NzpAdt=sysdate where ((NzpAkz=:b4 and "
    "NzpGvn=TO_DATE(:b5,'yyyymmdd')) and NzpGbi=TO_DATE(:b6,'yyyymmdd'))",
    {},
    {ZEL_HV_INT(N, NzpAan), ZEL_HV_INT(N, NzpVfh), ZEL_HV_INT(N, NzpNfh), ZEL_HV_TEXT(N, NzpAus), ZEL_HV_INT(N, NzpAkz),
     ZEL_HV_TEXT(N, NzpGvn), ZEL_HV_TEXT(N, NzpGbi)},
    "Nzp_PKeyUpd_Sp", sizeof(N)};

}  // namespace

int32_t Vrg_Readk(VrgRecord& rec) { return zeldb::Stmt_SelectInto(kVrgReadk, &rec); }

int32_t Nzp_AktReadk(NzpRecord& rec) { return zeldb::Stmt_SelectInto(kNzpAktReadk, &rec); }
int32_t Nzp_PKeyUpd(const NzpRecord& rec) { return zeldb::Stmt_Write(kNzpPKeyUpd, &rec); }

const zeldb::StatementGroup& zeldb::DbstdVrgNzp_Group() {
  static const StatementGroup group{{&kVrgReadk, &kNzpAktReadk, &kNzpPKeyUpd}, {}};
  return group;
}
