// Mvs510Prv, the per-person download table: its statements and operations.
#include <cstddef>

#include "db/Dbstd.h"
#include "db/Statement.h"
#include "db/tables/DbstdCatalog.h"
#include "db/tables/RowReads.h"
#include "db/tables/TextArgs.h"

using zeldb::CursorDef;
using zeldb::StatementDef;
using zeldb::StmtKind;

namespace {

using Prv = PrvRecord;

// The plain arguments (a person number, the bounds of the range) travel
// whole in the wider texts of zeldb::TextArg and zeldb::TextRange: a longer
// person number matches no row instead of being cut to another one.

// The select lists that two statements each share, to the byte: the
// single-row reads by person and by badge (with their into-list), and the
// two cursors by person range and by badge.
#define ZEL_PRV_READ \
    "select PrvPnr ,TO_CHAR(PrvGvo,'yyyymmdd') ,TO_CHAR(PrvGbi,'yyyymmdd') ,PrvBer ,PrvKst ,PrvFbe ,PrvMmb ,PrvZf1 " \
    ",PrvZf2 ,PrvZf3 ,PrvSta ,PrvErf ,PrvDna ,PrvDwn ,PrvAwn ,PrvAwa ,PrvAnw ,PrvApl ,PrvApp ,PrvPzm " \
    ",TO_CHAR(PrvAvn,'yyyymmddHH24MISS') ,TO_CHAR(PrvAbi,'yyyymmddHH24MISS') ,PrvNam ,PrvStr ,PrvOrt into " \
    ":b0:b1,:b2:b3,:b4:b5,:b6:b7,:b8:b9,:b10:b11,:b12:b13,:b14:b15,:b16:b17,:b18:b19,:b20:b21,:b22:b23,:b24:b25," \
    ":b26:b27,:b28:b29,:b30:b31,:b32:b33,:b34:b35,:b36:b37,:b38:b39,:b40:b41,:b42:b43,:b44:b45,:b46:b47,:b48:b49  " \
    "from Mvs510Prv where "
#define ZEL_PRV_CURSOR \
    "select PrvPnr ,TO_CHAR(PrvGvo,'yyyymmdd') ,TO_CHAR(PrvGbi,'yyyymmdd') ,PrvBer ,PrvKst ,PrvFbe ,PrvMmb ,PrvZf1 " \
    ",PrvZf2 ,PrvZf3 ,PrvDna ,PrvDwn ,PrvAwa ,PrvAwn ,PrvAnw ,TO_CHAR(PrvAvn,'yyyymmddHH24MISS') " \
    ",TO_CHAR(PrvAbi,'yyyymmddHH24MISS') ,PrvApl ,PrvApp ,PrvPzm ,PrvSta ,PrvErf ,PrvNam ,PrvStr ,PrvOrt  from " \
    "Mvs510Prv where "

// PrvPnr ... PrvOrt in the order of the single-row read, which the insert
// shares for its inputs.
const std::vector<zeldb::HostVar> kReadOrder = {
    ZEL_HV_TEXT(Prv, PrvPnr), ZEL_HV_TEXT(Prv, PrvGvo), ZEL_HV_TEXT(Prv, PrvGbi), ZEL_HV_INT(Prv, PrvBer),
    ZEL_HV_TEXT(Prv, PrvKst), ZEL_HV_TEXT(Prv, PrvFbe), ZEL_HV_INT(Prv, PrvMmb),  ZEL_HV_TEXT(Prv, PrvZf1),
    ZEL_HV_TEXT(Prv, PrvZf2), ZEL_HV_TEXT(Prv, PrvZf3), ZEL_HV_SHORT(Prv, PrvSta), ZEL_HV_TEXT(Prv, PrvErf),
    ZEL_HV_TEXT(Prv, PrvDna), ZEL_HV_TEXT(Prv, PrvDwn), ZEL_HV_TEXT(Prv, PrvAwn), ZEL_HV_INT(Prv, PrvAwa),
    ZEL_HV_INT(Prv, PrvAnw),  ZEL_HV_INT(Prv, PrvApl),  ZEL_HV_INT(Prv, PrvApp),  ZEL_HV_INT(Prv, PrvPzm),
    ZEL_HV_TEXT(Prv, PrvAvn), ZEL_HV_TEXT(Prv, PrvAbi), ZEL_HV_TEXT(Prv, PrvNam), ZEL_HV_TEXT(Prv, PrvStr),
    ZEL_HV_TEXT(Prv, PrvOrt)};

const StatementDef kPKeyReadk{
    "Prv_PKeyReadk", StmtKind::SelectInto,
    ZEL_PRV_READ
    "PrvPnr=:b0",
    kReadOrder, {}, nullptr, sizeof(Prv)};

const StatementDef kFbeDefault{"Prv_PKeyIns",  StmtKind::SelectInto,
                               "select FbeFbe into :b0:b1  from Mvs559Fbe where FbeTyp=1",
                               {ZEL_HV_TEXT(Prv, PrvFbe)}, {}, nullptr, sizeof(Prv)};

const StatementDef kPKeyIns{
    "Prv_PKeyIns", StmtKind::Insert,
    "insert into Mvs510Prv (PrvPnr,PrvGvo,PrvGbi,PrvBer,PrvKst,PrvFbe,PrvMmb,PrvZf1,PrvZf2,PrvZf3,PrvSta,PrvDat,"
    "PrvErf,PrvDna,PrvDwn,PrvAwn,PrvAwa,PrvAnw,PrvApl,PrvApp,PrvPzm,PrvAvn,PrvAbi,PrvNam,PrvStr,PrvOrt) values "
    "(:b0,TO_DATE(:b1,'yyyymmdd'),TO_DATE(:b2,'yyyymmdd'),:b3,:b4,:b5,:b6,:b7,:b8,:b9,:b10,sysdate,:b11,:b12,:b13,"
    ":b14,:b15,:b16,:b17,:b18,:b19,TO_DATE(:b20,'yyyymmddHH24MISS'),TO_DATE(:b21,'yyyymmddHH24MISS'),:b22,:b23,"
    ":b24)",
    {}, kReadOrder, "Prv_PKeyIns_Sp", sizeof(Prv)};

const StatementDef kPKeyUpd{
    "Prv_PKeyUpd", StmtKind::Update,
    "update Mvs510Prv  set PrvGvo=TO_DATE(:b0,'yyyymmdd'),PrvGbi=TO_DATE(:b1,'yyyymmdd'),PrvBer=:b2,PrvFbe=:b3,"
    "PrvMmb=:b4,PrvZf1=:b5,PrvZf2=:b6,PrvZf3=:b7,PrvAwa=:b8,PrvDna=:b9,PrvDwn=:b10,PrvSta=:b11,PrvDat=sysdate,"
    "PrvErf=:b12,PrvAwn=:b13,PrvKst=:b14,PrvAnw=:b15,PrvApl=:b16,PrvApp=:b17,PrvPzm=:b18,"
    "PrvAvn=TO_DATE(:b19,'yyyymmddHH24MISS'),PrvAbi=TO_DATE(:b20,'yyyymmddHH24MISS'),PrvNam=:b21,PrvStr=:b22,"
    "PrvOrt=:b23 where PrvPnr=:b24",
    {},
    {ZEL_HV_TEXT(Prv, PrvGvo), ZEL_HV_TEXT(Prv, PrvGbi), ZEL_HV_INT(Prv, PrvBer),   ZEL_HV_TEXT(Prv, PrvFbe),
     ZEL_HV_INT(Prv, PrvMmb),  ZEL_HV_TEXT(Prv, PrvZf1), ZEL_HV_TEXT(Prv, PrvZf2),  ZEL_HV_TEXT(Prv, PrvZf3),
     ZEL_HV_INT(Prv, PrvAwa),  ZEL_HV_TEXT(Prv, PrvDna), ZEL_HV_TEXT(Prv, PrvDwn),  ZEL_HV_SHORT(Prv, PrvSta),
     ZEL_HV_TEXT(Prv, PrvErf), ZEL_HV_TEXT(Prv, PrvAwn), ZEL_HV_TEXT(Prv, PrvKst),  ZEL_HV_INT(Prv, PrvAnw),
     ZEL_HV_INT(Prv, PrvApl),  ZEL_HV_INT(Prv, PrvApp),  ZEL_HV_INT(Prv, PrvPzm),   ZEL_HV_TEXT(Prv, PrvAvn),
     ZEL_HV_TEXT(Prv, PrvAbi), ZEL_HV_TEXT(Prv, PrvNam), ZEL_HV_TEXT(Prv, PrvStr),  ZEL_HV_TEXT(Prv, PrvOrt),
     ZEL_HV_TEXT(Prv, PrvPnr)},
    "Prv_PKeyUpd_Sp", sizeof(Prv)};

const StatementDef kDelete{"Prv_Delete", StmtKind::Delete, "delete  from Mvs510Prv ", {}, {}, "Prv_Delete_Sp",
                           sizeof(zeldb::TextArg)};

const StatementDef kPKeyDel{"Prv_PKeyDel",    StmtKind::Delete, "delete  from Mvs510Prv  where PrvPnr=:b0", {},
                            {ZEL_HV_TEXT(zeldb::TextArg, value)}, "Prv_PKeyDel_Sp", sizeof(zeldb::TextArg)};

const CursorDef kPnrRange{
    "Prv_PnrRange",
    ZEL_PRV_CURSOR
    "((PrvPnr>=:b0 and PrvPnr<=:b1) and (PrvGvo<=trunc(sysdate) or PrvGvo is null )) order by "
    "PrvPnr            ",
    {ZEL_HV_TEXT(zeldb::TextRange, low), ZEL_HV_TEXT(zeldb::TextRange, high)},
    {ZEL_HV_TEXT(Prv, PrvPnr), ZEL_HV_TEXT(Prv, PrvGvo), ZEL_HV_TEXT(Prv, PrvGbi), ZEL_HV_INT(Prv, PrvBer),
     ZEL_HV_TEXT(Prv, PrvKst), ZEL_HV_TEXT(Prv, PrvFbe), ZEL_HV_INT(Prv, PrvMmb),  ZEL_HV_TEXT(Prv, PrvZf1),
     ZEL_HV_TEXT(Prv, PrvZf2), ZEL_HV_TEXT(Prv, PrvZf3), ZEL_HV_TEXT(Prv, PrvDna), ZEL_HV_TEXT(Prv, PrvDwn),
     ZEL_HV_INT(Prv, PrvAwa),  ZEL_HV_TEXT(Prv, PrvAwn), ZEL_HV_INT(Prv, PrvAnw),  ZEL_HV_TEXT(Prv, PrvAvn),
     ZEL_HV_TEXT(Prv, PrvAbi), ZEL_HV_INT(Prv, PrvApl),  ZEL_HV_INT(Prv, PrvApp),  ZEL_HV_INT(Prv, PrvPzm),
     ZEL_HV_SHORT(Prv, PrvSta), ZEL_HV_TEXT(Prv, PrvErf), ZEL_HV_TEXT(Prv, PrvNam), ZEL_HV_TEXT(Prv, PrvStr),
     ZEL_HV_TEXT(Prv, PrvOrt)},
    sizeof(zeldb::TextRange), sizeof(Prv)};

// The row of a badge valid today, with the columns of kPKeyReadk; the badge
// buffer is both the condition's input and an output.
const StatementDef kAwnReadk{
    "Prv_AwnReadk", StmtKind::SelectInto,
    ZEL_PRV_READ
    "((PrvAwn=:b28 and PrvGvo<=trunc(sysdate)) and (PrvGbi>=trunc(sysdate) or PrvGbi is null ))",
    kReadOrder, {}, nullptr, sizeof(Prv)};

// What a failed read by person keeps: the key, the first day and the
// person's address. The callers fill a new row from this record after a
// 1403, so it must carry nothing else of an earlier row.
const zeldb::KeptFields kPKeyKept = {ZEL_HV_TEXT(Prv, PrvPnr), ZEL_HV_TEXT(Prv, PrvGvo), ZEL_HV_TEXT(Prv, PrvNam),
                                     ZEL_HV_TEXT(Prv, PrvStr), ZEL_HV_TEXT(Prv, PrvOrt)};

// What a failed badge read keeps: the badge, and what Prv_PKeyReadk keeps
// beside its key.
const zeldb::KeptFields kAwnKept = {ZEL_HV_TEXT(Prv, PrvAwn), ZEL_HV_TEXT(Prv, PrvGvo), ZEL_HV_TEXT(Prv, PrvNam),
                                    ZEL_HV_TEXT(Prv, PrvStr), ZEL_HV_TEXT(Prv, PrvOrt)};

const CursorDef kAwn{
    "Prv_Awn",
    ZEL_PRV_CURSOR
    "((PrvAwn=:b0 and PrvGvo<=trunc(sysdate)) and (PrvGbi>=trunc(sysdate) or PrvGbi is null )) order "
    "by PrvPnr",
    {ZEL_HV_TEXT(zeldb::TextArg, value)},
    kPnrRange.outputs,
    sizeof(zeldb::TextArg),
    sizeof(Prv)};

}  // namespace

int32_t Prv_PKeyReadk(PrvRecord& rec) { return zeldb::Stmt_ReadRow(kPKeyReadk, &rec, kPKeyKept); }

int32_t Prv_PKeyIns(PrvRecord& rec) {
  PrvRecord host = rec;
  host.PrvBer = host.PrvMmb = host.PrvAnw = host.PrvApl = host.PrvApp = 0;
  if (rec.PrvFbe.empty()) {
    // The lookup's status does not stop the insert: without a default row
    // the field simply stays empty.
    zeldb::Stmt_SelectInto(kFbeDefault, &host);
    rec.PrvFbe = host.PrvFbe;
  }
  return zeldb::Stmt_Write(kPKeyIns, &host);
}

int32_t Prv_PKeyUpd(const PrvRecord& rec) { return zeldb::Stmt_Write(kPKeyUpd, &rec); }

int32_t Prv_Delete() {
  const zeldb::TextArg none{};
  return zeldb::Stmt_Write(kDelete, &none);
}

int32_t Prv_PKeyDel(const char* pnr) {
  zeldb::TextArg key{};
  key.value = pnr;
  return zeldb::Stmt_Write(kPKeyDel, &key);
}

int32_t Prv_PnrRange_Open(const char* low, const char* high) { return zeldb::Cursor_OpenRange(kPnrRange, low, high); }

int32_t Prv_PKeyRead(PrvRecord& rec) {
  const int32_t status = zeldb::Cursor_Fetch(kPnrRange, &rec);
  if (status == 0) rec.PrvDat.clear();
  return status;
}

int32_t Prv_PnrRange_Close() { return zeldb::Cursor_Close(kPnrRange); }

int32_t Prv_AwnReadk(PrvRecord& rec) { return zeldb::Stmt_ReadRow(kAwnReadk, &rec, kAwnKept); }

int32_t Prv_Awn_Open(const char* badgeNumber) { return zeldb::Cursor_OpenText(kAwn, badgeNumber); }
int32_t Prv_Awn_Read(PrvRecord& rec) {
  const int32_t status = zeldb::Cursor_Fetch(kAwn, &rec);
  if (status == 0) rec.PrvDat.clear();
  return status;
}
int32_t Prv_Awn_Close() { return zeldb::Cursor_Close(kAwn); }

const zeldb::StatementGroup& zeldb::DbstdPrv_Group() {
  static const StatementGroup group{
      {&kPKeyReadk, &kFbeDefault, &kPKeyIns, &kPKeyUpd, &kDelete, &kPKeyDel, &kAwnReadk}, {&kPnrRange, &kAwn}};
  return group;
}
