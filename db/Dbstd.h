// Table operations of the database module: the download table Mvs510Prv,
// the badge assignments and persons, and the calendar. The operations on the
// shop-floor tables are in db/shop/DbstdShop.h.
//
// Every operation runs one statement (or a cursor's open, fetch or close) on
// the run's session and returns its status: 0 done, 1403 no row / no further
// row / nothing matched, any other value a failure (a negative Oracle number,
// util/OraStatus.h). No operation writes a message; the caller reports. Every
// insert, update and delete runs in its own savepoint "<operation>_Sp",
// commits at once on 0 and rolls back to the savepoint otherwise, so nothing
// is ever pending between two operations.
//
// Callers own the records; see db/Records.h for their rules. A person or
// badge number given as a text argument (and a range's bounds) is compared
// whole: one longer than its column matches no row, it is never cut to
// another row's key. Operations are not reentrant and run one after another
// on the one session.
#pragma once

#include <cstdint>

#include "db/Records.h"

// ---- Mvs510Prv -------------------------------------------------------------

// Reads the row of rec.PrvPnr. 0: every column in the record (PrvDat as it
// was). Otherwise the record keeps PrvPnr, PrvGvo, PrvNam, PrvStr and PrvOrt;
// every other text is emptied and every number set to 0.
int32_t Prv_PKeyReadk(PrvRecord& rec);

// Inserts the record as a new row. PrvBer, PrvMmb, PrvAnw, PrvApl and PrvApp
// are inserted as 0 whatever the record holds; an empty PrvFbe is filled
// with the FbeFbe of the Mvs559Fbe row with FbeTyp 1 (the record receives
// it too); the column PrvDat receives the server's sysdate.
int32_t Prv_PKeyIns(PrvRecord& rec);

// Overwrites every column but PrvPnr of the row rec.PrvPnr (PrvDat = sysdate).
// 1403 when there is no such row.
int32_t Prv_PKeyUpd(const PrvRecord& rec);

// Deletes every row; 1403 when the table was empty.
int32_t Prv_Delete();

// Deletes the row of `pnr`; 1403 when there is none.
int32_t Prv_PKeyDel(const char* pnr);

// Cursor over the rows whose PrvPnr lies between `low` and `high` (both
// included) and whose PrvGvo is NULL or not after the server's day, in
// ascending PrvPnr. It stays open across the commits of the writes made
// between its fetches.
int32_t Prv_PnrRange_Open(const char* low, const char* high);
// 0: the next row in the record, PrvDat emptied. 1403: no further row, the
// record untouched.
int32_t Prv_PKeyRead(PrvRecord& rec);
int32_t Prv_PnrRange_Close();

// The row of badge rec.PrvAwn valid today (PrvGvo not after today, PrvGbi
// not before today or open), with the columns of Prv_PKeyReadk. Otherwise
// the record keeps PrvAwn, PrvGvo, PrvNam, PrvStr and PrvOrt; every other
// text (PrvPnr included) is emptied and every number set to 0. Two rows of
// one badge valid today fail with -1422.
int32_t Prv_AwnReadk(PrvRecord& rec);

// Cursor over the rows of one badge valid today, by PrvPnr. Each read fills
// the record like Prv_PKeyRead (0: the row, PrvDat emptied; otherwise the
// record untouched).
int32_t Prv_Awn_Open(const char* badgeNumber);
int32_t Prv_Awn_Read(PrvRecord& rec);
int32_t Prv_Awn_Close();

// ---- MvSystem.Mvs301Asw, Mvs300Pnr, Mvs310Bsv, Mvs329Ztg -------------------
// Outputs reach the caller only on status 0, and each operation writes only
// the fields named for it.

// The assignment of rec.AswNum beginning exactly on rec.AswGvo, joined with
// its person. Writes AswPnr, AswGbi, AswErf, AswDat, PnrNam, PnrStr, PnrOrt.
int32_t Asw_PKeyReadk(AswRecord& rec);

// All assignments current today (begun, not ended before today) whose person
// has a Mvs300Pnr row, ordered by person and, within one person, newest
// first day first. Each read fills all nine fields.
int32_t Asw_PnrAll_Open();
int32_t Asw_PnrAll_Read(AswRecord& rec);
int32_t Asw_PnrAll_Close();

// The begun assignments of one badge, newest first day first (ended ones
// included). Each read writes AswPnr, AswGvo, AswGbi, AswErf, AswDat.
int32_t Asw_Num_Open(const char* badgeNumber);
int32_t Asw_Num_Read(AswRecord& rec);
int32_t Asw_Num_Close();

// The begun assignments of one person, newest first day first (ended ones
// included). Each read writes AswNum, AswGvo, AswGbi, AswErf, AswDat.
int32_t Asw_Pnr_Open(const char* personNumber);
int32_t Asw_Pnr_Read(AswRecord& rec);
int32_t Asw_Pnr_Close();

// The person to whom `badgeNumber` is assigned on `day` ("yyyymmdd": the
// assignment begun by then and ending then or later, or open) into
// `personNumber`; on any other status `personNumber` keeps its value.
int32_t Asw_NumDateReadk(const char* badgeNumber, const char* day, FixedText<9>& personNumber);

// Name, street and place of a person into the three outputs.
int32_t Pnr_PKeyReadk(const char* personNumber, FixedText<51>& name, FixedText<51>& street, FixedText<51>& place);

// 0 when an employment period of the person covers today, 1403 when none
// does. The caller's text is never changed.
int32_t Bsv_PnrReadk(const char* personNumber);

// The person's cost centre of today (the Mvs329Ztg row whose ZtgVon is
// today) into `costCentre`; on any other status `costCentre` keeps its value.
int32_t Ztg_PnrReadk(const char* personNumber, FixedText<11>& costCentre);

// ---- MvSystem.Mvs133Bak -----------------------------------------------------

// The calendar row of BakDtm plus BakDays days. 0: BakDtm and the six
// numbers set; otherwise the record is left as it was.
int32_t Bak_DateReadk(BakRecord& rec);

// The number of calendar rows after BakDtm up to and including BakDtmEnd
// into BakDays; otherwise the record is left as it was.
int32_t Bak_Count(BakRecord& rec);

// Mode 1: the count of calendar rows after `day` up to `second` (0 when the
// statement fails). Mode 2: `second` (at least 9 places) receives `day`
// shifted by `offset` days when the calendar holds that day, else `day`
// itself; returns the status of the read. Any other mode: 0, nothing written.
int32_t Bak_Calc(int32_t mode, int32_t offset, const char* day, char* second);
