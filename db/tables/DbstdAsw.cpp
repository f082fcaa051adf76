// Badge assignments (MvSystem.Mvs301Asw), persons (Mvs300Pnr), employment
// periods (Mvs310Bsv) and daily cost centres (Mvs329Ztg): read-only
// statements and operations. None of them sets a savepoint or commits.
#include <cstddef>

#include "db/Dbstd.h"
#include "db/Statement.h"
#include "db/tables/DbstdCatalog.h"
#include "db/tables/TextArgs.h"
#include "util/OraStatus.h"

using zeldb::CursorDef;
using zeldb::StatementDef;
using zeldb::StmtKind;

namespace {

using Asw = AswRecord;

// Person and badge numbers given as arguments travel whole in the wider
// zeldb::ArgText, so that one longer than its column matches no row instead
// of being cut to another person's or badge's number.
struct PersonAddress {
  FixedText<51> PnrNam;
  FixedText<51> PnrStr;
  FixedText<51> PnrOrt;
  zeldb::ArgText PnrNum;
};
// The person number is both the condition's input and the receiving buffer
// of the selected column, so the caller's own text is never touched.
struct Employment {
  FixedText<9> BsvPnr;
};
struct CostCentre {
  FixedText<11> ZtgKst;
  zeldb::ArgText ZtgPnr;
};

const StatementDef kAswPKeyReadk{
    "Asw_PKeyReadk", StmtKind::SelectInto,
    "select AswPnr ,TO_CHAR(AswGbi,'yyyymmdd') ,AswErf ,TO_CHAR(AswDat,'yyyymmddHH24MISS') ,PnrNam ,PnrStr ,PnrOrt "
    "into :b0:b1,:b2:b3,:b4:b5,:b6:b7,:b8:b9,:b10:b11,:b12:b13  from MvSystem.Mvs301Asw ,Mvs300Pnr where "
    "((AswNum=:b14 and AswGvo=TO_DATE(:b15,'yyyymmdd')) and AswPnr=PnrNum)",
    {ZEL_HV_TEXT(Asw, AswPnr), ZEL_HV_TEXT(Asw, AswGbi), ZEL_HV_TEXT(Asw, AswErf), ZEL_HV_TEXT(Asw, AswDat),
     ZEL_HV_TEXT(Asw, PnrNam), ZEL_HV_TEXT(Asw, PnrStr), ZEL_HV_TEXT(Asw, PnrOrt)},
    {ZEL_HV_TEXT(Asw, AswNum), ZEL_HV_TEXT(Asw, AswGvo)},
    nullptr,
    sizeof(Asw)};

const CursorDef kAswPnrAll{
    "Asw_PnrAll",
    "select AswPnr ,AswNum ,TO_CHAR(AswGvo,'yyyymmdd') ,TO_CHAR(AswGbi,'yyyymmdd') ,AswErf "
    ",TO_CHAR(AswDat,'yyyymmddHH24MISS') ,PnrNam ,PnrStr ,PnrOrt  from MvSystem.Mvs301Asw ,Mvs300Pnr where "
    "(((AswPnr is  not null  and AswGvo<=trunc(SYSDATE)) and (AswGbi>=trunc(SYSDATE) or AswGbi is null )) and "
    "AswPnr=PnrNum) order by AswPnr,AswGvo desc",
    {},
    {ZEL_HV_TEXT(Asw, AswPnr), ZEL_HV_TEXT(Asw, AswNum), ZEL_HV_TEXT(Asw, AswGvo), ZEL_HV_TEXT(Asw, AswGbi),
     ZEL_HV_TEXT(Asw, AswErf), ZEL_HV_TEXT(Asw, AswDat), ZEL_HV_TEXT(Asw, PnrNam), ZEL_HV_TEXT(Asw, PnrStr),
     ZEL_HV_TEXT(Asw, PnrOrt)},
    0,
    sizeof(Asw)};

const CursorDef kAswNum{
    "Asw_Num",
    "select AswPnr ,TO_CHAR(AswGvo,'yyyymmdd') ,TO_CHAR(AswGbi,'yyyymmdd') ,AswErf "
    ",TO_CHAR(AswDat,'yyyymmddHH24MISS')  from MvSystem.Mvs301Asw where (AswNum=:b0 and AswGvo<=trunc(SYSDATE)) "
    "order by AswGvo desc",
    {ZEL_HV_TEXT(zeldb::TextArg, value)},
    {ZEL_HV_TEXT(Asw, AswPnr), ZEL_HV_TEXT(Asw, AswGvo), ZEL_HV_TEXT(Asw, AswGbi), ZEL_HV_TEXT(Asw, AswErf),
     ZEL_HV_TEXT(Asw, AswDat)},
    sizeof(zeldb::TextArg),
    sizeof(Asw)};

const CursorDef kAswPnr{
    "Asw_Pnr",
    "select AswNum ,TO_CHAR(AswGvo,'yyyymmdd') ,TO_CHAR(AswGbi,'yyyymmdd') ,AswErf "
    ",TO_CHAR(AswDat,'yyyymmddHH24MISS')  from MvSystem.Mvs301Asw where (AswPnr=:b0 and AswGvo<=trunc(SYSDATE)) "
    "order by AswGvo desc",
    {ZEL_HV_TEXT(zeldb::TextArg, value)},
    {ZEL_HV_TEXT(Asw, AswNum), ZEL_HV_TEXT(Asw, AswGvo), ZEL_HV_TEXT(Asw, AswGbi), ZEL_HV_TEXT(Asw, AswErf),
     ZEL_HV_TEXT(Asw, AswDat)},
    sizeof(zeldb::TextArg),
    sizeof(Asw)};

const StatementDef kPnrPKeyReadk{
    "Pnr_PKeyReadk", StmtKind::SelectInto,
    "select PnrNam ,PnrStr ,PnrOrt into :b0:b1,:b2:b3,:b4:b5  from Mvs300Pnr where PnrNum=:b6",
    {ZEL_HV_TEXT(PersonAddress, PnrNam), ZEL_HV_TEXT(PersonAddress, PnrStr), ZEL_HV_TEXT(PersonAddress, PnrOrt)},
    {ZEL_HV_TEXT(PersonAddress, PnrNum)},
    nullptr,
    sizeof(PersonAddress)};

const StatementDef kBsvPnrReadk{
    "Bsv_PnrReadk", StmtKind::SelectInto,
    "select BSVPNR into :b0:b1  from Mvs310Bsv where ((BsvPnr=:b0 and BsvGvo<=trunc(SYSDATE)) and "
    "(BsvGbi>=trunc(SYSDATE) or BsvGbi is null ))",
    {ZEL_HV_TEXT(Employment, BsvPnr)},
    {},
    nullptr,
    sizeof(Employment)};

const StatementDef kZtgPnrReadk{
    "Ztg_PnrReadk", StmtKind::SelectInto,
    "select ZTGKST into :b0:b1  from Mvs329Ztg where (ZtgPnr=:b2 and ZtgVon=trunc(SYSDATE))",
    {ZEL_HV_TEXT(CostCentre, ZtgKst)},
    {ZEL_HV_TEXT(CostCentre, ZtgPnr)},
    nullptr,
    sizeof(CostCentre)};

// The person of a badge on a given day.
struct BadgeOnDay {
  FixedText<9> AswPnr;
  zeldb::ArgText AswNum;
  zeldb::ArgText day;
};

const StatementDef kAswNumDateReadk{
    "Asw_NumDateReadk", StmtKind::SelectInto,
    "select AswPnr into :b0:b1  from MvSystem.Mvs301Asw where ((AswNum=:b2 and AswGvo<=TO_DATE(:b3,'yyyymmdd')) and "
    "(AswGbi>=TO_DATE(:b3,'yyyymmdd') or AswGbi is null ))",
    {ZEL_HV_TEXT(BadgeOnDay, AswPnr)},
    {ZEL_HV_TEXT(BadgeOnDay, AswNum), ZEL_HV_TEXT(BadgeOnDay, day)},
    nullptr,
    sizeof(BadgeOnDay)};

}  // namespace

int32_t Asw_PKeyReadk(AswRecord& rec) { return zeldb::Stmt_SelectInto(kAswPKeyReadk, &rec); }

int32_t Asw_PnrAll_Open() { return zeldb::Cursor_Open(kAswPnrAll, nullptr); }
int32_t Asw_PnrAll_Read(AswRecord& rec) { return zeldb::Cursor_Fetch(kAswPnrAll, &rec); }
int32_t Asw_PnrAll_Close() { return zeldb::Cursor_Close(kAswPnrAll); }

int32_t Asw_Num_Open(const char* badgeNumber) { return zeldb::Cursor_OpenText(kAswNum, badgeNumber); }
int32_t Asw_Num_Read(AswRecord& rec) { return zeldb::Cursor_Fetch(kAswNum, &rec); }
int32_t Asw_Num_Close() { return zeldb::Cursor_Close(kAswNum); }

int32_t Asw_Pnr_Open(const char* personNumber) { return zeldb::Cursor_OpenText(kAswPnr, personNumber); }
int32_t Asw_Pnr_Read(AswRecord& rec) { return zeldb::Cursor_Fetch(kAswPnr, &rec); }
int32_t Asw_Pnr_Close() { return zeldb::Cursor_Close(kAswPnr); }

int32_t Pnr_PKeyReadk(const char* personNumber, FixedText<51>& name, FixedText<51>& street, FixedText<51>& place) {
  PersonAddress host{};
  host.PnrNum = personNumber;
  const int32_t status = zeldb::Stmt_SelectInto(kPnrPKeyReadk, &host);
  if (status == 0) {
    name = host.PnrNam;
    street = host.PnrStr;
    place = host.PnrOrt;
  }
  return status;
}

int32_t Bsv_PnrReadk(const char* personNumber) {
  Employment host{};
  // The buffer is also the column's, so it is no wider than the column: a
  // person number that does not fit it matches no row.
  if (!host.BsvPnr.set(personNumber)) return ora::kNoRow;
  return zeldb::Stmt_SelectInto(kBsvPnrReadk, &host);
}

int32_t Ztg_PnrReadk(const char* personNumber, FixedText<11>& costCentre) {
  CostCentre host{};
  host.ZtgPnr = personNumber;
  const int32_t status = zeldb::Stmt_SelectInto(kZtgPnrReadk, &host);
  if (status == 0) costCentre = host.ZtgKst;
  return status;
}

int32_t Asw_NumDateReadk(const char* badgeNumber, const char* day, FixedText<9>& personNumber) {
  BadgeOnDay host{};
  host.AswNum = badgeNumber;
  host.day = day;
  const int32_t status = zeldb::Stmt_SelectInto(kAswNumDateReadk, &host);
  if (status == 0) personNumber = host.AswPnr;
  return status;
}

const zeldb::StatementGroup& zeldb::DbstdAsw_Group() {
  static const StatementGroup group{{&kAswPKeyReadk, &kPnrPKeyReadk, &kBsvPnrReadk, &kZtgPnrReadk, &kAswNumDateReadk},
                                    {&kAswPnrAll, &kAswNum, &kAswPnr}};
  return group;
}
