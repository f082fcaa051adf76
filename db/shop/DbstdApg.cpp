// Work groups (Mvs530Apg) and their workstations (Mvs531Apl): statements and
// operations.
#include <cstddef>

#include "db/Statement.h"
#include "db/shop/DbstdShop.h"
#include "db/tables/DbstdCatalog.h"
#include "db/tables/RowReads.h"
#include "db/tables/TextArgs.h"

using zeldb::CursorDef;
using zeldb::StatementDef;
using zeldb::StmtKind;
using zeldb::TextArg;
using zeldb::TextRange;

namespace {

using Apg = ApgRecord;
using Apl = AplRecord;

const zeldb::KeptFields kApgKey = {ZEL_HV_TEXT(Apg, ApgApg)};
const zeldb::KeptFields kAplKey = {ZEL_HV_TEXT(Apl, AplApl)};

const std::vector<zeldb::HostVar> kApgRow =
    {ZEL_HV_TEXT(Apg, ApgApg), ZEL_HV_TEXT(Apg, ApgBez), ZEL_HV_TEXT(Apg, ApgTxt), ZEL_HV_TEXT(Apg, ApgFbe),
     ZEL_HV_TEXT(Apg, ApgKst), ZEL_HV_INT(Apg, ApgApl), ZEL_HV_INT(Apg, ApgTag), ZEL_HV_DOUBLE(Apg, ApgKap),
     ZEL_HV_DOUBLE(Apg, ApgPrd), ZEL_HV_DOUBLE(Apg, ApgRst), ZEL_HV_DOUBLE(Apg, ApgPau), ZEL_HV_DOUBLE(Apg, ApgUnt),
     ZEL_HV_DOUBLE(Apg, ApgIak), ZEL_HV_TEXT(Apg, ApgSt1), ZEL_HV_TEXT(Apg, ApgSt2), ZEL_HV_TEXT(Apg, ApgSt3),
     ZEL_HV_DOUBLE(Apg, ApgSf1), ZEL_HV_DOUBLE(Apg, ApgSf2), ZEL_HV_DOUBLE(Apg, ApgSf3), ZEL_HV_TEXT(Apg, ApgZf1),
     ZEL_HV_TEXT(Apg, ApgZf2), ZEL_HV_TEXT(Apg, ApgZf3), ZEL_HV_TEXT(Apg, ApgDna), ZEL_HV_TEXT(Apg, ApgDwn),
     ZEL_HV_SHORT(Apg, ApgSta), ZEL_HV_TEXT(Apg, ApgErf)};
const std::vector<zeldb::HostVar> kAplRow =
    {ZEL_HV_TEXT(Apl, AplApl), ZEL_HV_TEXT(Apl, AplBez), ZEL_HV_TEXT(Apl, AplTxt), ZEL_HV_TEXT(Apl, AplApg),
     ZEL_HV_TEXT(Apl, AplFbe), ZEL_HV_SHORT(Apl, AplSts), ZEL_HV_SHORT(Apl, AplSis), ZEL_HV_INT(Apl, AplApr),
     ZEL_HV_INT(Apl, AplAaf), ZEL_HV_TEXT(Apl, AplUbg), ZEL_HV_TEXT(Apl, AplUdt), ZEL_HV_INT(Apl, AplTag),
     ZEL_HV_DOUBLE(Apl, AplVrf), ZEL_HV_DOUBLE(Apl, AplRsp), ZEL_HV_DOUBLE(Apl, AplRsi), ZEL_HV_DOUBLE(Apl, AplAfp),
     ZEL_HV_DOUBLE(Apl, AplAfi), ZEL_HV_DOUBLE(Apl, AplPau), ZEL_HV_DOUBLE(Apl, AplUnt), ZEL_HV_DOUBLE(Apl, AplIak),
     ZEL_HV_INT(Apl, AplAvt), ZEL_HV_DOUBLE(Apl, AplKap), ZEL_HV_DOUBLE(Apl, AplAvr), ZEL_HV_DOUBLE(Apl, AplAvp),
     ZEL_HV_TEXT(Apl, AplSt1), ZEL_HV_TEXT(Apl, AplSt2), ZEL_HV_TEXT(Apl, AplSt3), ZEL_HV_DOUBLE(Apl, AplSf1),
     ZEL_HV_DOUBLE(Apl, AplSf2), ZEL_HV_DOUBLE(Apl, AplSf3), ZEL_HV_TEXT(Apl, AplZf1), ZEL_HV_TEXT(Apl, AplZf2),
     ZEL_HV_TEXT(Apl, AplZf3), ZEL_HV_TEXT(Apl, AplDna), ZEL_HV_TEXT(Apl, AplDwn), ZEL_HV_SHORT(Apl, AplSta),
     ZEL_HV_TEXT(Apl, AplErf)};

const StatementDef kApgPKeyReadk{
    "Apg_PKeyReadk", StmtKind::SelectInto,
    "select ApgApg ,ApgBez ,ApgTxt ,ApgFbe ,ApgKst ,ApgApl ,ApgTag ,ApgKap ,ApgPrd ,ApgRst ,ApgPau ,ApgUnt ,ApgIak ,"
    "ApgSt1 ,ApgSt2 ,ApgSt3 ,ApgSf1 ,ApgSf2 ,ApgSf3 ,ApgZf1 ,ApgZf2 ,ApgZf3 ,ApgDna ,ApgDwn ,ApgSta ,ApgErf into "
    ":b0:b1,:b2:b3,:b4:b5,:b6:b7,:b8:b9,:b10:b11,:b12:b13,:b14:b15,:b16:b17,:b18:b19,:b20:b21,:b22:b23,:b24:b25,"
    ":b26:b27,:b28:b29,:b30:b31,:b32:b33,:b34:b35,:b36:b37,:b38:b39,:b40:b41,:b42:b43,:b44:b45,:b46:b47,:b48:b49,"
    ":b50:b51  from Mvs530Apg where ApgApg=:b0",
    kApgRow, {}, nullptr, sizeof(Apg)};

const StatementDef kApgPKeyUpd{
    "Apg_PKeyUpd", StmtKind::Update,
    "update Mvs530Apg  set ApgBez=:b0,ApgTxt=:b1,ApgFbe=:b2,ApgKst=:b3,ApgApl=:b4,ApgTag=:b5,ApgKap=:b6,ApgPrd=:b7,"
    "ApgRst=:b8,ApgPau=:b9,ApgUnt=:b10,ApgIak=:b11,ApgSt1=:b12,ApgSt2=:b13,ApgSt3=:b14,ApgSf1=:b15,ApgSf2=:b16,"
    "ApgSf3=:b17,ApgZf1=:b18,ApgZf2=:b19,ApgZf3=:b20,ApgDna=:b21,ApgDwn=:b22,ApgSta=:b23,ApgErf=:b24,ApgDat=sysdate "
    "where ApgApg=:b25",
    {},
    {ZEL_HV_TEXT(Apg, ApgBez), ZEL_HV_TEXT(Apg, ApgTxt), ZEL_HV_TEXT(Apg, ApgFbe), ZEL_HV_TEXT(Apg, ApgKst),
     ZEL_HV_INT(Apg, ApgApl), ZEL_HV_INT(Apg, ApgTag), ZEL_HV_DOUBLE(Apg, ApgKap), ZEL_HV_DOUBLE(Apg, ApgPrd),
     ZEL_HV_DOUBLE(Apg, ApgRst), ZEL_HV_DOUBLE(Apg, ApgPau), ZEL_HV_DOUBLE(Apg, ApgUnt), ZEL_HV_DOUBLE(Apg, ApgIak),
     ZEL_HV_TEXT(Apg, ApgSt1), ZEL_HV_TEXT(Apg, ApgSt2), ZEL_HV_TEXT(Apg, ApgSt3), ZEL_HV_DOUBLE(Apg, ApgSf1),
     ZEL_HV_DOUBLE(Apg, ApgSf2), ZEL_HV_DOUBLE(Apg, ApgSf3), ZEL_HV_TEXT(Apg, ApgZf1), ZEL_HV_TEXT(Apg, ApgZf2),
     ZEL_HV_TEXT(Apg, ApgZf3), ZEL_HV_TEXT(Apg, ApgDna), ZEL_HV_TEXT(Apg, ApgDwn), ZEL_HV_SHORT(Apg, ApgSta),
     ZEL_HV_TEXT(Apg, ApgErf), ZEL_HV_TEXT(Apg, ApgApg)},
    "Apg_PKeyUpd_Sp", sizeof(Apg)};

const StatementDef kApgPKeyDel{"Apg_PKeyDel", StmtKind::Delete, "delete  from Mvs530Apg  where ApgApg=:b0", {},
                               {ZEL_HV_TEXT(Apg, ApgApg)}, "Apg_PKeyDel_Sp", sizeof(Apg)};

const CursorDef kApgRange{
    "Apg_Range",
    "select ApgApg ,ApgBez ,ApgTxt ,ApgFbe ,ApgKst ,ApgApl ,ApgTag ,ApgKap ,ApgPrd ,ApgRst ,ApgPau ,ApgUnt ,ApgIak ,"
    "ApgSt1 ,ApgSt2 ,ApgSt3 ,ApgSf1 ,ApgSf2 ,ApgSf3 ,ApgZf1 ,ApgZf2 ,ApgZf3 ,ApgDna ,ApgDwn ,ApgSta ,ApgErf  from "
    "Mvs530Apg where (ApgApg>:b0 and ApgApg<:b1) order by ApgApg",
    {ZEL_HV_TEXT(TextRange, low), ZEL_HV_TEXT(TextRange, high)}, kApgRow, sizeof(TextRange), sizeof(Apg)};

const StatementDef kAplPKeyReadk{
    "Apl_PKeyReadk", StmtKind::SelectInto,
    "select AplApl ,AplBez ,AplTxt ,AplApg ,AplFbe ,AplSts ,AplSis ,AplApr ,AplAaf ,AplUbg ,"
    "TO_CHAR(AplUdt,'yyyymmddHH24MISS') ,AplTag ,AplVrf ,AplRsp ,AplRsi ,AplAfp ,AplAfi ,AplPau ,AplUnt ,AplIak ,"
    "AplAvt ,AplKap ,AplAvr ,AplAvp ,AplSt1 ,AplSt2 ,AplSt3 ,AplSf1 ,AplSf2 ,AplSf3 ,AplZf1 ,AplZf2 ,AplZf3 ,AplDna ,"
    "AplDwn ,AplSta ,AplErf into :b0:b1,:b2:b3,:b4:b5,:b6:b7,:b8:b9,:b10:b11,:b12:b13,:b14:b15,:b16:b17,:b18:b19,"
    ":b20:b21,:b22:b23,:b24:b25,:b26:b27,:b28:b29,:b30:b31,:b32:b33,:b34:b35,:b36:b37,:b38:b39,:b40:b41,:b42:b43,"
    ":b44:b45,:b46:b47,:b48:b49,:b50:b51,:b52:b53,:b54:b55,:b56:b57,:b58:b59,:b60:b61,:b62:b63,:b64:b65,:b66:b67,"
    ":b68:b69,:b70:b71,:b72:b73  from Mvs531Apl where AplApl=:b0",
    kAplRow, {}, nullptr, sizeof(Apl)};

const StatementDef kAplPKeyUpd{
    "Apl_PKeyUpd", StmtKind::Update,
    "update Mvs531Apl  set AplBez=:b0,AplTxt=:b1,AplApg=:b2,AplFbe=:b3,AplSts=:b4,AplSis=:b5,AplApr=:b6,AplAaf=:b7,"
    "AplUbg=:b8,AplUdt=TO_DATE(:b9,'yyyymmddHH24MISS'),AplTag=:b10,AplVrf=:b11,AplRsp=:b12,AplRsi=:b13,AplAfp=:b14,"
    "AplAfi=:b15,AplPau=:b16,AplUnt=:b17,AplIak=:b18,AplAvt=:b19,AplKap=:b20,AplAvr=:b21,AplAvp=:b22,AplSt1=:b23,"
    "AplSt2=:b24,AplSt3=:b25,AplSf1=:b26,AplSf2=:b27,AplSf3=:b28,AplZf1=:b29,AplZf2=:b30,AplZf3=:b31,AplDna=:b32,"
    "AplDwn=:b33,AplSta=:b34,AplErf=:b35,AplDat=sysdate where AplApl=:b36",
    {},
    {ZEL_HV_TEXT(Apl, AplBez), ZEL_HV_TEXT(Apl, AplTxt), ZEL_HV_TEXT(Apl, AplApg), ZEL_HV_TEXT(Apl, AplFbe),
     ZEL_HV_SHORT(Apl, AplSts), ZEL_HV_SHORT(Apl, AplSis), ZEL_HV_INT(Apl, AplApr), ZEL_HV_INT(Apl, AplAaf),
     ZEL_HV_TEXT(Apl, AplUbg), ZEL_HV_TEXT(Apl, AplUdt), ZEL_HV_INT(Apl, AplTag), ZEL_HV_DOUBLE(Apl, AplVrf),
     ZEL_HV_DOUBLE(Apl, AplRsp), ZEL_HV_DOUBLE(Apl, AplRsi), ZEL_HV_DOUBLE(Apl, AplAfp), ZEL_HV_DOUBLE(Apl, AplAfi),
     ZEL_HV_DOUBLE(Apl, AplPau), ZEL_HV_DOUBLE(Apl, AplUnt), ZEL_HV_DOUBLE(Apl, AplIak), ZEL_HV_INT(Apl, AplAvt),
     ZEL_HV_DOUBLE(Apl, AplKap), ZEL_HV_DOUBLE(Apl, AplAvr), ZEL_HV_DOUBLE(Apl, AplAvp), ZEL_HV_TEXT(Apl, AplSt1),
     ZEL_HV_TEXT(Apl, AplSt2), ZEL_HV_TEXT(Apl, AplSt3), ZEL_HV_DOUBLE(Apl, AplSf1), ZEL_HV_DOUBLE(Apl, AplSf2),
     ZEL_HV_DOUBLE(Apl, AplSf3), ZEL_HV_TEXT(Apl, AplZf1), ZEL_HV_TEXT(Apl, AplZf2), ZEL_HV_TEXT(Apl, AplZf3),
     ZEL_HV_TEXT(Apl, AplDna), ZEL_HV_TEXT(Apl, AplDwn), ZEL_HV_SHORT(Apl, AplSta), ZEL_HV_TEXT(Apl, AplErf),
     ZEL_HV_TEXT(Apl, AplApl)},
    "Apl_PKeyUpd_Sp", sizeof(Apl)};

const StatementDef kAplPKeyDel{"Apl_PKeyDel", StmtKind::Delete, "delete  from Mvs531Apl  where AplApl=:b0", {},
                               {ZEL_HV_TEXT(Apl, AplApl)}, "Apl_PKeyDel_Sp", sizeof(Apl)};

const CursorDef kAplRange{
    "Apl_Range",
    "select AplApl ,AplBez ,AplTxt ,AplApg ,AplFbe ,AplSts ,AplSis ,AplApr ,AplAaf ,AplUbg ,"
    "TO_CHAR(AplUdt,'yyyymmddHH24MISS') ,AplTag ,AplVrf ,AplRsp ,AplRsi ,AplAfp ,AplAfi ,AplPau ,AplUnt ,AplIak ,"
    "AplAvt ,AplKap ,AplAvr ,AplAvp ,AplSt1 ,AplSt2 ,AplSt3 ,AplSf1 ,AplSf2 ,AplSf3 ,AplZf1 ,AplZf2 ,AplZf3 ,AplDna ,"
    "AplDwn ,AplSta ,AplErf  from Mvs531Apl where (AplApl>:b0 and AplApl<:b1) order by AplApl",
    {ZEL_HV_TEXT(TextRange, low), ZEL_HV_TEXT(TextRange, high)}, kAplRow, sizeof(TextRange), sizeof(Apl)};

const CursorDef kAplApg{
    "Apl_Apg",
    "select AplApl ,AplBez ,AplTxt ,AplApg ,AplFbe ,AplSts ,AplSis ,AplApr ,AplAaf ,AplUbg ,"
    "TO_CHAR(AplUdt,'yyyymmddHH24MISS') ,AplTag ,AplVrf ,AplRsp ,AplRsi ,AplAfp ,AplAfi ,AplPau ,AplUnt ,AplIak ,"
    "AplAvt ,AplKap ,AplAvr ,AplAvp ,AplSt1 ,AplSt2 ,AplSt3 ,AplSf1 ,AplSf2 ,AplSf3 ,AplZf1 ,AplZf2 ,AplZf3 ,AplDna ,"
    "AplDwn ,AplSta ,AplErf  from Mvs531Apl where AplApg=:b0 order by AplApl",
    {ZEL_HV_TEXT(TextArg, value)}, kAplRow, sizeof(TextArg), sizeof(Apl)};

}  // namespace

int32_t Apg_PKeyReadk(ApgRecord& rec) { return zeldb::Stmt_ReadRow(kApgPKeyReadk, &rec, kApgKey); }
int32_t Apg_PKeyUpd(const ApgRecord& rec) { return zeldb::Stmt_Write(kApgPKeyUpd, &rec); }
int32_t Apg_PKeyDel(const ApgRecord& rec) { return zeldb::Stmt_Write(kApgPKeyDel, &rec); }

int32_t Apg_Range_Open(const char* low, const char* high) { return zeldb::Cursor_OpenRange(kApgRange, low, high); }
int32_t Apg_Range_Read(ApgRecord& rec) { return zeldb::Cursor_Fetch(kApgRange, &rec); }
int32_t Apg_Range_Close() { return zeldb::Cursor_Close(kApgRange); }

int32_t Apl_PKeyReadk(AplRecord& rec) { return zeldb::Stmt_ReadRow(kAplPKeyReadk, &rec, kAplKey); }
int32_t Apl_PKeyUpd(const AplRecord& rec) { return zeldb::Stmt_Write(kAplPKeyUpd, &rec); }
int32_t Apl_PKeyDel(const AplRecord& rec) { return zeldb::Stmt_Write(kAplPKeyDel, &rec); }

int32_t Apl_Range_Open(const char* low, const char* high) { return zeldb::Cursor_OpenRange(kAplRange, low, high); }
int32_t Apl_Range_Read(AplRecord& rec) { return zeldb::Cursor_Fetch(kAplRange, &rec); }
int32_t Apl_Range_Close() { return zeldb::Cursor_Close(kAplRange); }

int32_t Apl_Apg_Open(const char* apg) { return zeldb::Cursor_OpenText(kAplApg, apg); }
int32_t Apl_Apg_Read(AplRecord& rec) { return zeldb::Cursor_Fetch(kAplApg, &rec); }
int32_t Apl_Apg_Close() { return zeldb::Cursor_Close(kAplApg); }

const zeldb::StatementGroup& zeldb::DbstdApg_Group() {
  static const StatementGroup group{{&kApgPKeyReadk, &kApgPKeyUpd, &kApgPKeyDel, &kAplPKeyReadk, &kAplPKeyUpd,
                                     &kAplPKeyDel},
                                    {&kApgRange, &kAplRange, &kAplApg}};
  return group;
}
