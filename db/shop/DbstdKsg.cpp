// Cost centres of the work groups (Mvs537Ksg): statements and operations.
// The key is the work group and the first day; the writes compare the first
// day as a "yyyymmdd" text.
#include <cstddef>

#include "db/Statement.h"
#include "db/shop/DbstdShop.h"
#include "db/tables/DbstdCatalog.h"
#include "db/tables/RowReads.h"
#include "db/tables/TextArgs.h"

using zeldb::CursorDef;
using zeldb::StatementDef;
using zeldb::StmtKind;
using zeldb::TextRange;

namespace {

using Ksg = KsgRecord;

const zeldb::KeptFields kKsgKey = {ZEL_HV_TEXT(Ksg, KsgApg), ZEL_HV_TEXT(Ksg, KsgGvo)};

const std::vector<zeldb::HostVar> kKsgRow =
    {ZEL_HV_TEXT(Ksg, KsgApg), ZEL_HV_TEXT(Ksg, KsgGvo), ZEL_HV_TEXT(Ksg, KsgKst), ZEL_HV_TEXT(Ksg, KsgGbi),
     ZEL_HV_TEXT(Ksg, KsgFbe), ZEL_HV_TEXT(Ksg, KsgZf1), ZEL_HV_TEXT(Ksg, KsgZf2), ZEL_HV_TEXT(Ksg, KsgZf3),
     ZEL_HV_SHORT(Ksg, KsgSta), ZEL_HV_TEXT(Ksg, KsgErf)};

const StatementDef kKsgPKeyReadk{
    "Ksg_PKeyReadk", StmtKind::SelectInto,
    "select KsgApg ,TO_CHAR(KsgGvo,'yyyymmdd') ,KsgKst ,TO_CHAR(KsgGbi,'yyyymmdd') ,KsgFbe ,KsgZf1 ,KsgZf2 ,KsgZf3 ,"
    "KsgSta ,KsgErf into :b0:b1,:b2:b3,:b4:b5,:b6:b7,:b8:b9,:b10:b11,:b12:b13,:b14:b15,:b16:b17,:b18:b19  from "
    "Mvs537Ksg where (KsgApg=:b0 and TO_CHAR(KsgGvo,'yyyymmdd')=:b2)",
    kKsgRow, {}, nullptr, sizeof(Ksg)};

// Only the row valid today whose last day lies after today: a row ending
// today is no longer the current one here, unlike in Ksg_Range.
const StatementDef kKsgApgReadk{
    "Ksg_ApgReadk", StmtKind::SelectInto,
    "select KsgApg ,KsgKst into :b0:b1,:b2:b3  from Mvs537Ksg where ((KsgApg=:b0 and KsgGvo<=trunc(sysdate)) and "
    "(KsgGbi>trunc(sysdate) or KsgGbi is null ))",
    {ZEL_HV_TEXT(Ksg, KsgApg), ZEL_HV_TEXT(Ksg, KsgKst)}, {}, nullptr, sizeof(Ksg)};

const StatementDef kKsgPKeyUpd{
    "Ksg_PKeyUpd", StmtKind::Update,
    "update Mvs537Ksg  set KsgGbi=TO_DATE(:b0,'yyyymmdd'),KsgFbe=:b1,KsgZf1=:b2,KsgZf2=:b3,KsgZf3=:b4,KsgSta=:b5,"
    "KsgErf=:b6,KsgKst=:b7,KsgDat=sysdate where (KsgApg=:b8 and TO_CHAR(KsgGvo,'yyyymmdd')=:b9)",
    {},
    {ZEL_HV_TEXT(Ksg, KsgGbi), ZEL_HV_TEXT(Ksg, KsgFbe), ZEL_HV_TEXT(Ksg, KsgZf1), ZEL_HV_TEXT(Ksg, KsgZf2),
     ZEL_HV_TEXT(Ksg, KsgZf3), ZEL_HV_SHORT(Ksg, KsgSta), ZEL_HV_TEXT(Ksg, KsgErf), ZEL_HV_TEXT(Ksg, KsgKst),
     ZEL_HV_TEXT(Ksg, KsgApg), ZEL_HV_TEXT(Ksg, KsgGvo)},
    "Ksg_PKeyUpd_Sp", sizeof(Ksg)};

const StatementDef kKsgPKeyDel{"Ksg_PKeyDel", StmtKind::Delete,
    "delete  from Mvs537Ksg  where (KsgApg=:b0 and TO_CHAR(KsgGvo,'yyyymmdd')=:b1)",
                               {}, {ZEL_HV_TEXT(Ksg, KsgApg), ZEL_HV_TEXT(Ksg, KsgGvo)}, "Ksg_PKeyDel_Sp", sizeof(Ksg)};

const CursorDef kKsgRange{
    "Ksg_Range",
    "select KsgApg ,TO_CHAR(KsgGvo,'yyyymmdd') ,KsgKst ,TO_CHAR(KsgGbi,'yyyymmdd') ,KsgFbe ,KsgZf1 ,KsgZf2 ,KsgZf3 ,"
    "KsgSta ,KsgErf  from Mvs537Ksg where (((KsgApg>=:b0 and KsgApg<=:b1) and KsgGvo<=trunc(sysdate)) and "
    "(KsgGbi>=trunc(sysdate) or KsgGbi is null )) order by KsgGvo",
    {ZEL_HV_TEXT(TextRange, low), ZEL_HV_TEXT(TextRange, high)}, kKsgRow, sizeof(TextRange), sizeof(Ksg)};

}  // namespace

int32_t Ksg_PKeyReadk(KsgRecord& rec) { return zeldb::Stmt_ReadRow(kKsgPKeyReadk, &rec, kKsgKey); }
int32_t Ksg_ApgReadk(KsgRecord& rec) { return zeldb::Stmt_SelectInto(kKsgApgReadk, &rec); }
int32_t Ksg_PKeyUpd(const KsgRecord& rec) { return zeldb::Stmt_Write(kKsgPKeyUpd, &rec); }
int32_t Ksg_PKeyDel(const KsgRecord& rec) { return zeldb::Stmt_Write(kKsgPKeyDel, &rec); }

int32_t Ksg_Range_Open(const char* low, const char* high) { return zeldb::Cursor_OpenRange(kKsgRange, low, high); }
int32_t Ksg_Range_Read(KsgRecord& rec) { return zeldb::Cursor_Fetch(kKsgRange, &rec); }
int32_t Ksg_Range_Close() { return zeldb::Cursor_Close(kKsgRange); }

const zeldb::StatementGroup& zeldb::DbstdKsg_Group() {
  static const StatementGroup group{{&kKsgPKeyReadk, &kKsgApgReadk, &kKsgPKeyUpd, &kKsgPKeyDel}, {&kKsgRange}};
  return group;
}
