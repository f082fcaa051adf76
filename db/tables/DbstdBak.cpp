// The calendar MvSystem.Mvs133Bak: day arithmetic and day counts.
#include <cstddef>
#include <cstring>

#include "db/Dbstd.h"
#include "db/Statement.h"
#include "db/tables/DbstdCatalog.h"

using zeldb::StatementDef;
using zeldb::StmtKind;

namespace {

using Bak = BakRecord;

const StatementDef kDateReadk{
    "Bak_DateReadk", StmtKind::SelectInto,
    "select TO_CHAR(BakDtm,'yyyymmdd') ,BakJhr ,BakMon ,BakTag ,BakWch ,BakWtg ,BakJtg into "
    ":b0:b1,:b2:b3,:b4:b5,:b6:b7,:b8:b9,:b10:b11,:b12:b13  from MvSystem.Mvs133Bak where "
    "BakDtm=(TO_DATE(:b14,'yyyymmdd')+:b15)",
    {ZEL_HV_TEXT(Bak, BakDtm), ZEL_HV_INT(Bak, BakJhr), ZEL_HV_INT(Bak, BakMon), ZEL_HV_INT(Bak, BakTag),
     ZEL_HV_INT(Bak, BakWch), ZEL_HV_INT(Bak, BakWtg), ZEL_HV_INT(Bak, BakJtg)},
    {ZEL_HV_TEXT(Bak, BakDtm), ZEL_HV_INT(Bak, BakDays)},
    nullptr,
    sizeof(Bak)};

const StatementDef kCount{
    "Bak_Count", StmtKind::SelectInto,
    "select count(*)  into :b0  from Mvs133Bak where (BakDtm>TO_DATE(:b1,'yyyymmdd') and "
    "BakDtm<=TO_DATE(:b2,'yyyymmdd'))",
    {ZEL_HV_INT(Bak, BakDays)},
    {ZEL_HV_TEXT(Bak, BakDtm), ZEL_HV_TEXT(Bak, BakDtmEnd)},
    nullptr,
    sizeof(Bak)};

}  // namespace

int32_t Bak_DateReadk(BakRecord& rec) { return zeldb::Stmt_SelectInto(kDateReadk, &rec); }

int32_t Bak_Count(BakRecord& rec) { return zeldb::Stmt_SelectInto(kCount, &rec); }

int32_t Bak_Calc(int32_t mode, int32_t offset, const char* day, char* second) {
  BakRecord rec{};
  if (mode == 1) {
    rec.BakDtm = day;
    rec.BakDtmEnd = second;
    rec.BakDays = 0;
    // A failure cannot be told from an empty interval here; callers of the
    // day count accept that.
    return Bak_Count(rec) == 0 ? rec.BakDays : 0;
  }
  if (mode == 2) {
    rec.BakDtm = day;
    rec.BakDays = offset;
    const int32_t status = Bak_DateReadk(rec);
    // The output always holds a valid day: the shifted one, or the input.
    // `second` has room for 9 bytes: the day's 8 digits and the terminator.
    FixedText<9> result{};
    result = status == 0 ? rec.BakDtm.view() : std::string_view(day ? day : "");
    if (second) {
      const size_t n = Utf8Prefix(result.view(), result.capacity(), result.width() - 1);
      std::memcpy(second, result.c_str(), n);
      std::memset(second + n, 0, result.width() - n);
    }
    return status;
  }
  return 0;
}

const zeldb::StatementGroup& zeldb::DbstdBak_Group() {
  static const StatementGroup group{{&kDateReadk, &kCount}, {}};
  return group;
}
