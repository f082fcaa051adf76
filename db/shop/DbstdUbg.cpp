// Mvs521Ubg: statements and operations.
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

using Ubg = UbgRecord;

const zeldb::KeptFields kUbgKey = {ZEL_HV_TEXT(Ubg, UbgUbg)};

const std::vector<zeldb::HostVar> kUbgRow =
    {ZEL_HV_TEXT(Ubg, UbgUbg), ZEL_HV_INT(Ubg, UbgKnz), ZEL_HV_TEXT(Ubg, UbgFbe), ZEL_HV_TEXT(Ubg, UbgBez),
     ZEL_HV_TEXT(Ubg, UbgTxt), ZEL_HV_TEXT(Ubg, UbgZf1), ZEL_HV_TEXT(Ubg, UbgZf2), ZEL_HV_TEXT(Ubg, UbgZf3),
     ZEL_HV_INT(Ubg, UbgAst), ZEL_HV_DOUBLE(Ubg, UbgRst), ZEL_HV_DOUBLE(Ubg, UbgAsf), ZEL_HV_TEXT(Ubg, UbgSt1),
     ZEL_HV_TEXT(Ubg, UbgSt2), ZEL_HV_TEXT(Ubg, UbgSt3), ZEL_HV_DOUBLE(Ubg, UbgSf1), ZEL_HV_DOUBLE(Ubg, UbgSf2),
     ZEL_HV_DOUBLE(Ubg, UbgSf3), ZEL_HV_TEXT(Ubg, UbgDna), ZEL_HV_TEXT(Ubg, UbgDwn), ZEL_HV_SHORT(Ubg, UbgSta),
     ZEL_HV_TEXT(Ubg, UbgErf)};

const StatementDef kUbgPKeyReadk{
    "Ubg_PKeyReadk", StmtKind::SelectInto,
    "select UbgUbg ,UbgKnz ,UbgFbe ,UbgBez ,UbgTxt ,UbgZf1 ,UbgZf2 ,UbgZf3 ,UbgAst ,UbgRst ,UbgAsf ,UbgSt1 ,UbgSt2 ,"
    "UbgSt3 ,UbgSf1 ,UbgSf2 ,UbgSf3 ,UbgDna ,UbgDwn ,UbgSta ,UbgErf into :b0:b1,:b2:b3,:b4:b5,:b6:b7,:b8:b9,:b10:b11,"
    ":b12:b13,:b14:b15,:b16:b17,:b18:b19,:b20:b21,:b22:b23,:b24:b25,:b26:b27,:b28:b29,:b30:b31,:b32:b33,:b34:b35,"
    ":b36:b37,:b38:b39,:b40:b41  from Mvs521Ubg where UbgUbg=:b0",
    kUbgRow, {}, nullptr, sizeof(Ubg)};

const StatementDef kUbgPKeyUpd{
    "Ubg_PKeyUpd", StmtKind::Update,
    "update Mvs521Ubg  set UbgKnz=:b0,UbgFbe=:b1,UbgBez=:b2,UbgTxt=:b3,UbgZf1=:b4,UbgZf2=:b5,UbgZf3=:b6,UbgAst=:b7,"
    "UbgRst=:b8,UbgAsf=:b9,UbgSt1=:b10,UbgSt2=:b11,UbgSt3=:b12,UbgSf1=:b13,UbgSf2=:b14,UbgSf3=:b15,UbgDna=:b16,"
    "UbgDwn=:b17,UbgSta=:b18,UbgErf=:b19,UbgDat=sysdate where UbgUbg=:b20",
    {},
    {ZEL_HV_INT(Ubg, UbgKnz), ZEL_HV_TEXT(Ubg, UbgFbe), ZEL_HV_TEXT(Ubg, UbgBez), ZEL_HV_TEXT(Ubg, UbgTxt),
     ZEL_HV_TEXT(Ubg, UbgZf1), ZEL_HV_TEXT(Ubg, UbgZf2), ZEL_HV_TEXT(Ubg, UbgZf3), ZEL_HV_INT(Ubg, UbgAst),
     ZEL_HV_DOUBLE(Ubg, UbgRst), ZEL_HV_DOUBLE(Ubg, UbgAsf), ZEL_HV_TEXT(Ubg, UbgSt1), ZEL_HV_TEXT(Ubg, UbgSt2),
     ZEL_HV_TEXT(Ubg, UbgSt3), ZEL_HV_DOUBLE(Ubg, UbgSf1), ZEL_HV_DOUBLE(Ubg, UbgSf2), ZEL_HV_DOUBLE(Ubg, UbgSf3),
     ZEL_HV_TEXT(Ubg, UbgDna), ZEL_HV_TEXT(Ubg, UbgDwn), ZEL_HV_SHORT(Ubg, UbgSta), ZEL_HV_TEXT(Ubg, UbgErf),
     ZEL_HV_TEXT(Ubg, UbgUbg)},
    "Ubg_PKeyUpd_Sp", sizeof(Ubg)};

const StatementDef kUbgPKeyDel{"Ubg_PKeyDel", StmtKind::Delete, "delete  from Mvs521Ubg  where UbgUbg=:b0", {},
                               {ZEL_HV_TEXT(Ubg, UbgUbg)}, "Ubg_PKeyDel_Sp", sizeof(Ubg)};

const CursorDef kUbgRange{
    "Ubg_Range",
    "select UbgUbg ,UbgKnz ,UbgFbe ,UbgBez ,UbgTxt ,UbgZf1 ,UbgZf2 ,UbgZf3 ,UbgAst ,UbgRst ,UbgAsf ,UbgSt1 ,UbgSt2 ,"
    "UbgSt3 ,UbgSf1 ,UbgSf2 ,UbgSf3 ,UbgDna ,UbgDwn ,UbgSta ,UbgErf  from Mvs521Ubg where (UbgUbg>:b0 and "
    "UbgUbg<:b1) order by UbgUbg",
    {ZEL_HV_TEXT(TextRange, low), ZEL_HV_TEXT(TextRange, high)}, kUbgRow, sizeof(TextRange), sizeof(Ubg)};

}  // namespace

int32_t Ubg_PKeyReadk(UbgRecord& rec) { return zeldb::Stmt_ReadRow(kUbgPKeyReadk, &rec, kUbgKey); }
int32_t Ubg_PKeyUpd(const UbgRecord& rec) { return zeldb::Stmt_Write(kUbgPKeyUpd, &rec); }
int32_t Ubg_PKeyDel(const UbgRecord& rec) { return zeldb::Stmt_Write(kUbgPKeyDel, &rec); }

int32_t Ubg_Range_Open(const char* low, const char* high) { return zeldb::Cursor_OpenRange(kUbgRange, low, high); }
int32_t Ubg_Range_Read(UbgRecord& rec) { return zeldb::Cursor_Fetch(kUbgRange, &rec); }
int32_t Ubg_Range_Close() { return zeldb::Cursor_Close(kUbgRange); }

const zeldb::StatementGroup& zeldb::DbstdUbg_Group() {
  static const StatementGroup group{{&kUbgPKeyReadk, &kUbgPKeyUpd, &kUbgPKeyDel}, {&kUbgRange}};
  return group;
}
