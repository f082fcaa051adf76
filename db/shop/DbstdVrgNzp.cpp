// The value table Mvs555Vrg and the periods of Mvs591Nzp.
#include <cstddef>

#include "db/Statement.h"
#include "db/shop/DbstdShop.h"
#include "db/tables/DbstdCatalog.h"

using zeldb::StatementDef;
using zeldb::StmtKind;

namespace {

using Vrg = VrgRecord;
using Nzp = NzpRecord;

const StatementDef kVrgReadk{"Vrg_Readk", StmtKind::SelectInto,
    "select VrgWrt into :b0:b1  from Mvs555Vrg where (VrgBer=:b2 and VrgFld=:b3)",
                             {ZEL_HV_TEXT(Vrg, VrgWrt)}, {ZEL_HV_TEXT(Vrg, VrgBer), ZEL_HV_TEXT(Vrg, VrgFld)}, nullptr,
                             sizeof(Vrg)};

// The period of NzpAkz that began before today and ends after today: the
// first and the last day themselves do not count.
const StatementDef kNzpAktReadk{
    "Nzp_AktReadk", StmtKind::SelectInto,
    "select NzpAkz ,TO_CHAR(NzpGvn,'yyyymmdd') ,TO_CHAR(NzpGbi,'yyyymmdd') ,NzpAak ,NzpAwt ,NzpKjh ,NzpKmn ,NzpKwo ,"
    "NzpKtg ,NzpAan ,NzpVfh ,NzpNfh ,NzpAus ,NzpMrk into :b0:b1,:b2:b3,:b4:b5,:b6:b7,:b8:b9,:b10:b11,:b12:b13,"
    ":b14:b15,:b16:b17,:b18:b19,:b20:b21,:b22:b23,:b24:b25,:b26:b27  from Mvs591Nzp where ((NzpAkz=:b0 and "
    "NzpGvn<trunc(sysdate)) and NzpGbi>trunc(sysdate))",
    {ZEL_HV_INT(Nzp, NzpAkz), ZEL_HV_TEXT(Nzp, NzpGvn), ZEL_HV_TEXT(Nzp, NzpGbi), ZEL_HV_INT(Nzp, NzpAak),
     ZEL_HV_INT(Nzp, NzpAwt), ZEL_HV_INT(Nzp, NzpKjh), ZEL_HV_INT(Nzp, NzpKmn), ZEL_HV_INT(Nzp, NzpKwo),
     ZEL_HV_INT(Nzp, NzpKtg), ZEL_HV_INT(Nzp, NzpAan), ZEL_HV_INT(Nzp, NzpVfh), ZEL_HV_INT(Nzp, NzpNfh),
     ZEL_HV_TEXT(Nzp, NzpAus), ZEL_HV_INT(Nzp, NzpMrk)},
    {}, nullptr, sizeof(Nzp)};

const StatementDef kNzpPKeyUpd{
    "Nzp_PKeyUpd", StmtKind::Update,
    "update Mvs591Nzp  set NzpAan=:b0,NzpVfh=:b1,NzpNfh=:b2,NzpAus=:b3,NzpAdt=sysdate where ((NzpAkz=:b4 and "
    "NzpGvn=TO_DATE(:b5,'yyyymmdd')) and NzpGbi=TO_DATE(:b6,'yyyymmdd'))",
    {},
    {ZEL_HV_INT(Nzp, NzpAan), ZEL_HV_INT(Nzp, NzpVfh), ZEL_HV_INT(Nzp, NzpNfh), ZEL_HV_TEXT(Nzp, NzpAus), ZEL_HV_INT(Nzp, NzpAkz),
     ZEL_HV_TEXT(Nzp, NzpGvn), ZEL_HV_TEXT(Nzp, NzpGbi)},
    "Nzp_PKeyUpd_Sp", sizeof(Nzp)};

}  // namespace

int32_t Vrg_Readk(VrgRecord& rec) { return zeldb::Stmt_SelectInto(kVrgReadk, &rec); }

int32_t Nzp_AktReadk(NzpRecord& rec) { return zeldb::Stmt_SelectInto(kNzpAktReadk, &rec); }
int32_t Nzp_PKeyUpd(const NzpRecord& rec) { return zeldb::Stmt_Write(kNzpPKeyUpd, &rec); }

const zeldb::StatementGroup& zeldb::DbstdVrgNzp_Group() {
  static const StatementGroup group{{&kVrgReadk, &kNzpAktReadk, &kNzpPKeyUpd}, {}};
  return group;
}
