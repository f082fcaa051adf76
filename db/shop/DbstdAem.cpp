// Shift models: the model rows of a work group for one day (Mvs532Aem with
// the calendars MvSystem.Mvs133Kal and MvSystem.Mvs133Bak), the parts of a
// model (Mvs533Emo) and their break periods (Mvs536Pmz, Mvs535Pms).
#include <cstddef>

#include "db/Statement.h"
#include "db/shop/DbstdShop.h"
#include "db/tables/DbstdCatalog.h"
#include "db/tables/TextArgs.h"
#include "util/OraStatus.h"

using zeldb::ArgText;
using zeldb::CursorDef;
using zeldb::StatementDef;
using zeldb::StmtKind;

namespace {

using AemDay = AemDayRecord;
using Emo = EmoRecord;
using EmoPms = EmoPmsRecord;

// The selection of one part of a model on one day.
struct PartOfDay {
  ArgText emo;
  ArgText ttp;
  ArgText day;
};
struct ModelOfDay {
  ArgText apg;
  int32_t kng;
  ArgText day;
};
struct ModelCount {
  int32_t count;
  ArgText apg;
};
struct PeriodSum {
  int32_t total;
  ArgText emo;
  ArgText ttp;
  ArgText day;
};

const CursorDef kAemDay{
    "Aem_Day",
    "select AemApg ,AemEmo ,TO_CHAR(AemGvo,'yyyymmdd') ,AemBez ,AemTxt ,AemKal ,AemLkz ,AemVzt ,AemEzt ,AemPrz ,"
    "AemAfz ,AemApz ,AemPrp ,AemAfp ,AemApp ,KalBtp ,TO_CHAR(KalDtm,'yyyymmdd') ,BakJhr ,BakMon ,BakWch ,BakWtg ,"
    "BakJtg ,AemMaz  from Mvs532Aem ,MvSystem.Mvs133Kal ,MvSystem.Mvs133Bak ,Mvs533Emo where ((((((((AemApg=:b0 and "
    "AemKng=:b1) and AemGvo<=TO_DATE(:b2,'yyyymmdd')) and (AemGbi>=TO_DATE(:b2,'yyyymmdd') or AemGbi is null )) and "
    "AemKal=KalNum) and KalDtm=TO_DATE(:b2,'yyyymmdd')) and BakDtm=TO_DATE(:b2,'yyyymmdd')) and AemEmo=EmoEmo) and "
    "EmoTtp=KalBtp) order by EmoBeg",
    {ZEL_HV_TEXT(ModelOfDay, apg), ZEL_HV_INT(ModelOfDay, kng), ZEL_HV_TEXT(ModelOfDay, day)},
    {ZEL_HV_TEXT(AemDay, AemApg), ZEL_HV_TEXT(AemDay, AemEmo), ZEL_HV_TEXT(AemDay, AemGvo), ZEL_HV_TEXT(AemDay, AemBez),
     ZEL_HV_TEXT(AemDay, AemTxt), ZEL_HV_TEXT(AemDay, AemKal), ZEL_HV_INT(AemDay, AemLkz), ZEL_HV_INT(AemDay, AemVzt),
     ZEL_HV_INT(AemDay, AemEzt), ZEL_HV_INT(AemDay, AemPrz), ZEL_HV_INT(AemDay, AemAfz), ZEL_HV_INT(AemDay, AemApz),
     ZEL_HV_INT(AemDay, AemPrp), ZEL_HV_INT(AemDay, AemAfp), ZEL_HV_INT(AemDay, AemApp), ZEL_HV_TEXT(AemDay, KalBtp),
     ZEL_HV_TEXT(AemDay, KalDtm), ZEL_HV_INT(AemDay, BakJhr), ZEL_HV_INT(AemDay, BakMon), ZEL_HV_INT(AemDay, BakWch),
     ZEL_HV_INT(AemDay, BakWtg), ZEL_HV_INT(AemDay, BakJtg), ZEL_HV_INT(AemDay, AemMaz)},
    sizeof(ModelOfDay), sizeof(AemDay)};

const StatementDef kAemCount{"Aem_Count", StmtKind::SelectInto,
    "select count(*)  into :b0  from Mvs532Aem where (AemApg=:b1 and AemKng=2)",
                             {ZEL_HV_INT(ModelCount, count)}, {ZEL_HV_TEXT(ModelCount, apg)}, nullptr,
                             sizeof(ModelCount)};

const CursorDef kEmoPms{
    "Emo_Pms",
    "select EmoEmo ,EmoTtp ,EmoTxt ,EmoBeg ,EmoEnd ,PmsNum ,PmsBeg ,PmsEnd ,PmsInt ,PmsPse ,PmsBzt ,PmsPrz  from "
    "Mvs533Emo ,Mvs536Pmz ,Mvs535Pms where (((((EmoEmo=:b0 and EmoTtp=:b1) and EmoPmo=PmzPmo) and PmzPms=PmsNum) and "
    "TO_CHAR(PmzGvo,'yyyymmdd')<=:b2) and TO_CHAR(PmzGbi,'yyyymmdd')>=:b2) order by EmoBeg",
    {ZEL_HV_TEXT(PartOfDay, emo), ZEL_HV_TEXT(PartOfDay, ttp), ZEL_HV_TEXT(PartOfDay, day)},
    {ZEL_HV_TEXT(EmoPms, EmoEmo), ZEL_HV_TEXT(EmoPms, EmoTtp), ZEL_HV_TEXT(EmoPms, EmoTxt), ZEL_HV_INT(EmoPms, EmoBeg),
     ZEL_HV_INT(EmoPms, EmoEnd), ZEL_HV_TEXT(EmoPms, PmsNum), ZEL_HV_INT(EmoPms, PmsBeg), ZEL_HV_INT(EmoPms, PmsEnd),
     ZEL_HV_INT(EmoPms, PmsInt), ZEL_HV_INT(EmoPms, PmsPse), ZEL_HV_INT(EmoPms, PmsBzt), ZEL_HV_INT(EmoPms, PmsPrz)},
    sizeof(PartOfDay), sizeof(EmoPms)};

const std::vector<zeldb::HostVar> kSumOutput = {ZEL_HV_INT(PeriodSum, total)};
const std::vector<zeldb::HostVar> kSumInputs = {ZEL_HV_TEXT(PeriodSum, emo), ZEL_HV_TEXT(PeriodSum, ttp),
                                                ZEL_HV_TEXT(PeriodSum, day)};

// The two halves of Pms_Sum: periods within the day, and periods that run
// over midnight, counted up to midnight and after it.
const StatementDef kPmsSumWithinDay{
    "Pms_Sum", StmtKind::SelectInto,
    "select sum((PmsEnd-PmsBeg)) into :b0:b1  from Mvs533Emo ,Mvs536Pmz ,Mvs535Pms where ((((((EmoEmo=:b2 and "
    "EmoTtp=:b3) and EmoPmo=PmzPmo) and PmzPms=PmsNum) and TO_CHAR(PmzGvo,'yyyymmdd')<=:b4) and "
    "TO_CHAR(PmzGbi,'yyyymmdd')>=:b4) and PmsEnd>=PmsBeg)",
    kSumOutput, kSumInputs, nullptr, sizeof(PeriodSum)};

const StatementDef kPmsSumOverMidnight{
    "Pms_Sum", StmtKind::SelectInto,
    "select sum(((PmsEnd+1440)-PmsBeg)) into :b0:b1  from Mvs533Emo ,Mvs536Pmz ,Mvs535Pms where ((((((EmoEmo=:b2 "
    "and EmoTtp=:b3) and EmoPmo=PmzPmo) and PmzPms=PmsNum) and TO_CHAR(PmzGvo,'yyyymmdd')<=:b4) and "
    "TO_CHAR(PmzGbi,'yyyymmdd')>=:b4) and PmsEnd<PmsBeg)",
    kSumOutput, kSumInputs, nullptr, sizeof(PeriodSum)};

const CursorDef kEmoTtp{
    "Emo_Ttp",
    "select EmoEmo ,EmoTtp ,EmoTxt ,EmoBeg ,EmoEnd ,EmoArt  from Mvs533Emo where (EmoEmo=:b0 and EmoTtp=:b1) order "
    "by EmoBeg",
    {ZEL_HV_TEXT(PartOfDay, emo), ZEL_HV_TEXT(PartOfDay, ttp)},
    {ZEL_HV_TEXT(Emo, EmoEmo), ZEL_HV_TEXT(Emo, EmoTtp), ZEL_HV_TEXT(Emo, EmoTxt), ZEL_HV_INT(Emo, EmoBeg),
     ZEL_HV_INT(Emo, EmoEnd), ZEL_HV_INT(Emo, EmoArt)},
    sizeof(PartOfDay), sizeof(Emo)};

PartOfDay Part(const char* emo, const char* ttp, const char* day) {
  PartOfDay p{};
  p.emo = emo;
  p.ttp = ttp;
  p.day = day;
  return p;
}

}  // namespace

int32_t Aem_Day_Open(const char* apg, int32_t kng, const char* day) {
  ModelOfDay m{};
  m.apg = apg;
  m.kng = kng;
  m.day = day;
  return zeldb::Cursor_Open(kAemDay, &m);
}
int32_t Aem_Day_Read(AemDayRecord& rec) { return zeldb::Cursor_Fetch(kAemDay, &rec); }
int32_t Aem_Day_Close() { return zeldb::Cursor_Close(kAemDay); }

int32_t Aem_Count(const char* apg, int32_t& count) {
  ModelCount host{};
  host.apg = apg;
  const int32_t status = zeldb::Stmt_SelectInto(kAemCount, &host);
  if (status == ora::kOk) count = host.count;
  return status;
}

int32_t Emo_Pms_Open(const char* emo, const char* ttp, const char* day) {
  const PartOfDay p = Part(emo, ttp, day);
  return zeldb::Cursor_Open(kEmoPms, &p);
}
int32_t Emo_Pms_Read(EmoPmsRecord& rec) { return zeldb::Cursor_Fetch(kEmoPms, &rec); }
int32_t Emo_Pms_Close() { return zeldb::Cursor_Close(kEmoPms); }

int32_t Pms_Sum(const char* emo, const char* ttp, const char* day, int32_t& total) {
  const PartOfDay p = Part(emo, ttp, day);
  PeriodSum within{0, p.emo, p.ttp, p.day};
  PeriodSum over = within;
  // A sum over no period is NULL and arrives as 0.
  int32_t status = zeldb::Stmt_SelectInto(kPmsSumWithinDay, &within);
  if (status != ora::kOk && status != ora::kNoRow) return status;
  status = zeldb::Stmt_SelectInto(kPmsSumOverMidnight, &over);
  if (status != ora::kOk && status != ora::kNoRow) return status;
  // The caller's total changes only with a complete sum of both halves.
  total = within.total + over.total;
  return status;
}

int32_t Emo_Ttp_Open(const char* emo, const char* ttp) {
  const PartOfDay p = Part(emo, ttp, "");
  return zeldb::Cursor_Open(kEmoTtp, &p);
}
int32_t Emo_Ttp_Read(EmoRecord& rec) { return zeldb::Cursor_Fetch(kEmoTtp, &rec); }
int32_t Emo_Ttp_Close() { return zeldb::Cursor_Close(kEmoTtp); }

const zeldb::StatementGroup& zeldb::DbstdAem_Group() {
  static const StatementGroup group{{&kAemCount, &kPmsSumWithinDay, &kPmsSumOverMidnight},
                                    {&kAemDay, &kEmoPms, &kEmoTtp}};
  return group;
}
