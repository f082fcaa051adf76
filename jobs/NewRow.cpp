#include "jobs/NewRow.h"

#include "db/Dbstd.h"
#include "jobs/DownloadMark.h"

void FillNewRow(PrvRecord& rec, const AswRecord& asw) {
  rec.PrvAwn = asw.AswNum;
  rec.PrvGvo = asw.AswGvo;
  rec.PrvGbi = asw.AswGbi;
  rec.PrvErf = asw.AswErf;
  rec.PrvNam = asw.PnrNam;
  rec.PrvStr = asw.PnrStr;
  rec.PrvOrt = asw.PnrOrt;
  rec.PrvDna = kMarkBegins;
  rec.PrvDwn = kSystemName;
  rec.PrvAwa = 1;
  rec.PrvSta = 1;
  rec.PrvPzm = 1;
  // Its status is not examined: without a cost-centre row for today the
  // field stays empty, as the cleared record left it.
  Ztg_PnrReadk(rec.PrvPnr.c_str(), rec.PrvKst);
}
