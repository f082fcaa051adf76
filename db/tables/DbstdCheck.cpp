// The reads of the pre-run checks: the server's clock, the cost centres of
// today, the calendar around today and the default code. Read-only; each is
// one select from Oracle's one-row table dual, or one aggregate, so that it
// returns exactly one row whatever the tables hold.
#include <cstddef>

#include "db/DbstdCheck.h"
#include "db/Statement.h"
#include "db/tables/DbstdCatalog.h"

using zeldb::StatementDef;
using zeldb::StmtKind;

namespace {

struct ServerNow {
  FixedText<15> now;
};

struct ZtgLastDay {
  FixedText<9> today;
  FixedText<9> lastDay;
  int32_t employed;
};

struct BakToday {
  FixedText<9> yesterday;
  FixedText<9> today;
  FixedText<9> first;
  FixedText<9> last;
};

struct FbeDefaults {
  int32_t count;
};

const StatementDef kServerNow{"Chk_ServerNow", StmtKind::SelectInto,
                              "select TO_CHAR(sysdate,'yyyymmddHH24MISS') into :b0:b1  from dual",
                              {ZEL_HV_TEXT(ServerNow, now)},
                              {},
                              nullptr,
                              sizeof(ServerNow)};

// Employed as the job reads it (Bsv_PnrReadk): a period begun by today and
// not ended before it.
const StatementDef kZtgLastDay{
    "Chk_ZtgLastDay", StmtKind::SelectInto,
    "select TO_CHAR(trunc(sysdate),'yyyymmdd') ,(select TO_CHAR(max(ZtgVon),'yyyymmdd')  from Mvs329Ztg where "
    "ZtgVon<=trunc(sysdate)) ,(select count(*)  from Mvs310Bsv where (BsvGvo<=trunc(sysdate) and "
    "(BsvGbi>=trunc(sysdate) or BsvGbi is null ))) into :b0:b1,:b2:b3,:b4:b5  from dual",
    {ZEL_HV_TEXT(ZtgLastDay, today), ZEL_HV_TEXT(ZtgLastDay, lastDay), ZEL_HV_INT(ZtgLastDay, employed)},
    {},
    nullptr,
    sizeof(ZtgLastDay)};

const StatementDef kBakToday{
    "Chk_BakToday", StmtKind::SelectInto,
    "select TO_CHAR(trunc(sysdate)-1,'yyyymmdd') ,TO_CHAR(trunc(sysdate),'yyyymmdd') ,(select "
    "TO_CHAR(min(BakDtm),'yyyymmdd')  from MvSystem.Mvs133Bak where (BakDtm>=trunc(sysdate)-1 and "
    "BakDtm<=trunc(sysdate))) ,(select TO_CHAR(max(BakDtm),'yyyymmdd')  from MvSystem.Mvs133Bak where "
    "(BakDtm>=trunc(sysdate)-1 and BakDtm<=trunc(sysdate))) into :b0:b1,:b2:b3,:b4:b5,:b6:b7  from dual",
    {ZEL_HV_TEXT(BakToday, yesterday), ZEL_HV_TEXT(BakToday, today), ZEL_HV_TEXT(BakToday, first),
     ZEL_HV_TEXT(BakToday, last)},
    {},
    nullptr,
    sizeof(BakToday)};

const StatementDef kFbeDefaults{"Chk_FbeDefaults", StmtKind::SelectInto,
                                "select count(*)  into :b0  from Mvs559Fbe where FbeTyp=1",
                                {ZEL_HV_INT(FbeDefaults, count)},
                                {},
                                nullptr,
                                sizeof(FbeDefaults)};

}  // namespace

int32_t Chk_ServerNow(FixedText<15>& now) {
  ServerNow host{};
  const int32_t status = zeldb::Stmt_SelectInto(kServerNow, &host);
  if (status == 0) now = host.now;
  return status;
}

int32_t Chk_ZtgLastDay(FixedText<9>& today, FixedText<9>& lastDay, int32_t& employed) {
  ZtgLastDay host{};
  const int32_t status = zeldb::Stmt_SelectInto(kZtgLastDay, &host);
  if (status == 0) {
    today = host.today;
    lastDay = host.lastDay;
    employed = host.employed;
  }
  return status;
}

int32_t Chk_BakToday(FixedText<9>& yesterday, FixedText<9>& today, FixedText<9>& first, FixedText<9>& last) {
  BakToday host{};
  const int32_t status = zeldb::Stmt_SelectInto(kBakToday, &host);
  if (status == 0) {
    yesterday = host.yesterday;
    today = host.today;
    first = host.first;
    last = host.last;
  }
  return status;
}

int32_t Chk_FbeDefaults(int32_t& count) {
  FbeDefaults host{};
  const int32_t status = zeldb::Stmt_SelectInto(kFbeDefaults, &host);
  if (status == 0) count = host.count;
  return status;
}

const zeldb::StatementGroup& zeldb::DbstdCheck_Group() {
  static const StatementGroup group{{&kServerNow, &kZtgLastDay, &kBakToday, &kFbeDefaults}, {}};
  return group;
}
