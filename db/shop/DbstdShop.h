// Table operations of the database module on the shop-floor tables: orders
// (Mvs501Apk) and their operations (Mvs504App), work groups (Mvs530Apg) and
// workstations (Mvs531Apl), Mvs521Ubg, the work groups' cost centres
// (Mvs537Ksg), Mvs553Fzu, the shift models with their calendars and break
// periods (Mvs532Aem, MvSystem.Mvs133Kal, MvSystem.Mvs133Bak, Mvs533Emo,
// Mvs536Pmz, Mvs535Pms), the value table Mvs555Vrg and the periods of
// Mvs591Nzp. No job of this program calls them; they follow the module's
// conventions like the operations of db/Dbstd.h.
//
// Every operation runs one statement (or a cursor's open, fetch or close) on
// the run's session and returns its status: 0 done, 1403 no row / no further
// row / nothing matched, any other value a failure (a negative Oracle number,
// util/OraStatus.h). No operation writes a message; the caller reports.
//
//  - Whole-row reads (..._PKeyReadk, Fzu_MldReadk): 0 with every column in
//    the record; on any other status the record keeps its key (or the value
//    it was selected by) and every other field is cleared.
//  - Other reads and counts write their outputs only on 0.
//  - Cursors: Open binds the selection, Read fetches the next row (0) or
//    ends with 1403, Close ends the cursor. A read writes the record only on
//    0, except the reads of App_Range and App_StsRange, which on any other
//    status, the 1403 at the end included, clear the record but for its key.
//    Apk_Range and App_Range take a mode on each operation: 1 and 2 are two
//    separate cursors; any other mode executes nothing (open and close
//    return 0, a read returns 1403 and leaves the record untouched).
//  - Inserts, updates and deletes run in their own savepoint
//    "<operation>_Sp", commit at once on 0 and roll back to the savepoint
//    otherwise, so a failed write leaves the table as it was. Inserts and
//    updates set the table's change instant (ApkDat ... NzpAdt) to sysdate;
//    updates and deletes by key return 1403 when no row has that key.
//  - "Above a and below b" excludes both bounds; "from a to b" includes
//    them. Today is the database server's day.
//  - Text arguments may be longer than their column: such a value matches
//    no row (it is never cut down to a shorter key).
//
// Callers own the records (db/shop/ShopRecords.h). Operations are not reentrant
// and run one after another on the one session.
#pragma once

#include <cstdint>

#include "db/shop/ShopRecords.h"

// ---- Mvs501Apk --------------------------------------------------------------

// Orders whose ApkApk lies strictly between `low` and `high`: mode 1 in
// ascending, mode 2 in descending ApkApk.
int32_t Apk_Range_Open(int32_t mode, const char* low, const char* high);
int32_t Apk_Range_Read(int32_t mode, ApkRecord& rec);
int32_t Apk_Range_Close(int32_t mode);

// The order rec.ApkApk.
int32_t Apk_PKeyReadk(ApkRecord& rec);
// Overwrites every column of the order rec.ApkApk, ApkBdi and ApkEdi as
// instants joined from their day and time.
int32_t Apk_PKeyUpd(const ApkRecord& rec);
// Inserts the order; ApkBdi and ApkEdi are inserted as NULL whatever the
// record holds.
int32_t Apk_PKeyIns(const ApkRecord& rec);
// Deletes the order rec.ApkApk.
int32_t Apk_PKeyDel(const ApkRecord& rec);

// ---- Mvs504App --------------------------------------------------------------

// Mode 1: operations whose key pair (AppApk, AppApp) lies strictly after
// (startApk, startApp) and strictly before (endApk, endApp), in key order.
// Mode 2: operations whose AppApk lies strictly between startApk and endApk
// (startApp and endApp take no part), by AppApk and, within an order,
// descending AppApp. A read that returns anything but 0 clears the record
// but for AppApk and AppApp.
int32_t App_Range_Open(int32_t mode, const char* startApk, const char* startApp, const char* endApk,
                       const char* endApp);
int32_t App_Range_Read(int32_t mode, AppRecord& rec);
int32_t App_Range_Close(int32_t mode);

// Operations from the key pair (startApk, startApp) to (endApk, endApp), both
// included, whose AppSts is not `sts` (all 32 bits of it, as the column
// holds them), in key order. A read that returns anything but 0 clears the
// record but for AppApk and AppApp.
int32_t App_StsRange_Open(const char* startApk, const char* startApp, const char* endApk, const char* endApp,
                          int32_t sts);
int32_t App_StsRange_Read(AppRecord& rec);
int32_t App_StsRange_Close();

// The operation (rec.AppApk, rec.AppApp). AppDat arrives as the instant of
// the last change.
int32_t App_PKeyReadk(AppRecord& rec);
// Insert and update send the eight instants joined from day and time;
// AppDat becomes sysdate whatever the record holds.
int32_t App_PKeyIns(const AppRecord& rec);
int32_t App_PKeyUpd(const AppRecord& rec);
int32_t App_PKeyDel(const AppRecord& rec);

// The number of operations whose AppZf2 is `zf2` into `count`.
int32_t App_Zf2Count(const char* zf2, int32_t& count);

// The operations whose AppZf2 is `zf2`.
int32_t App_Zf2_Open(const char* zf2);
int32_t App_Zf2_Read(AppRecord& rec);
int32_t App_Zf2_Close();

// ---- Mvs530Apg, Mvs531Apl ---------------------------------------------------

int32_t Apg_PKeyReadk(ApgRecord& rec);
int32_t Apg_PKeyUpd(const ApgRecord& rec);
int32_t Apg_PKeyDel(const ApgRecord& rec);
// Work groups whose ApgApg lies strictly between `low` and `high`, ascending.
int32_t Apg_Range_Open(const char* low, const char* high);
int32_t Apg_Range_Read(ApgRecord& rec);
int32_t Apg_Range_Close();

int32_t Apl_PKeyReadk(AplRecord& rec);
int32_t Apl_PKeyUpd(const AplRecord& rec);
int32_t Apl_PKeyDel(const AplRecord& rec);
// Workstations whose AplApl lies strictly between `low` and `high`, ascending.
int32_t Apl_Range_Open(const char* low, const char* high);
int32_t Apl_Range_Read(AplRecord& rec);
int32_t Apl_Range_Close();
// The workstations of the work group `apg`, by AplApl.
int32_t Apl_Apg_Open(const char* apg);
int32_t Apl_Apg_Read(AplRecord& rec);
int32_t Apl_Apg_Close();

// ---- Mvs521Ubg --------------------------------------------------------------

int32_t Ubg_PKeyReadk(UbgRecord& rec);
int32_t Ubg_PKeyUpd(const UbgRecord& rec);
int32_t Ubg_PKeyDel(const UbgRecord& rec);
// Rows whose UbgUbg lies strictly between `low` and `high`, ascending.
int32_t Ubg_Range_Open(const char* low, const char* high);
int32_t Ubg_Range_Read(UbgRecord& rec);
int32_t Ubg_Range_Close();

// ---- Mvs537Ksg --------------------------------------------------------------

// The row (rec.KsgApg, rec.KsgGvo), the first day compared as "yyyymmdd".
int32_t Ksg_PKeyReadk(KsgRecord& rec);
// The cost centre of work group rec.KsgApg today: the row begun by today
// whose last day is after today (a row ending today does not count) or
// open. Writes KsgApg and KsgKst only, and only on 0.
int32_t Ksg_ApgReadk(KsgRecord& rec);
// Sets KsgGbi, KsgFbe, KsgZf1, KsgZf2, KsgZf3, KsgSta, KsgErf and KsgKst of
// the row (rec.KsgApg, rec.KsgGvo).
int32_t Ksg_PKeyUpd(const KsgRecord& rec);
int32_t Ksg_PKeyDel(const KsgRecord& rec);
// Rows valid today (begun, last day today or later, or open) of the work
// groups from `low` to `high`, both included, by first day.
int32_t Ksg_Range_Open(const char* low, const char* high);
int32_t Ksg_Range_Read(KsgRecord& rec);
int32_t Ksg_Range_Close();

// ---- Mvs553Fzu --------------------------------------------------------------

// The current row (FzuAec "0") of rec.FzuFcd.
int32_t Fzu_PKeyReadk(FzuRecord& rec);
// The row of rec.FzuMld; keeps FzuMld when it fails.
int32_t Fzu_MldReadk(FzuRecord& rec);

// ---- Mvs532Aem, MvSystem.Mvs133Kal, MvSystem.Mvs133Bak, Mvs533Emo -------------

// The shift-model rows of work group `apg` with AemKng `kng` valid on `day`
// ("yyyymmdd": begun by then, last day then or later, or open), each with
// the day's calendar type (KalBtp of its calendar AemKal on that day), the
// day's Mvs133Bak numbers, and only where the model has an Mvs533Emo part
// for that day type; ordered by the part's begin.
int32_t Aem_Day_Open(const char* apg, int32_t kng, const char* day);
int32_t Aem_Day_Read(AemDayRecord& rec);
int32_t Aem_Day_Close();

// The number of rows of work group `apg` with AemKng 2 into `count`.
int32_t Aem_Count(const char* apg, int32_t& count);

// ---- Mvs533Emo, Mvs536Pmz, Mvs535Pms ------------------------------------------

// The break periods of the part (`emo`, `ttp`) whose Mvs536Pmz validity
// covers `day` ("yyyymmdd"; a period without a last day does not count),
// ordered by the part's begin.
int32_t Emo_Pms_Open(const char* emo, const char* ttp, const char* day);
int32_t Emo_Pms_Read(EmoPmsRecord& rec);
int32_t Emo_Pms_Close();

// The minutes of those break periods into `total`: a period that ends
// before it begins runs over midnight and counts its minutes up to and after
// midnight; no period gives 0. `total` is written only when both halves of
// the sum succeed (status 0).
int32_t Pms_Sum(const char* emo, const char* ttp, const char* day, int32_t& total);

// The parts of model `emo` for day type `ttp`, by begin.
int32_t Emo_Ttp_Open(const char* emo, const char* ttp);
int32_t Emo_Ttp_Read(EmoRecord& rec);
int32_t Emo_Ttp_Close();

// ---- Mvs555Vrg, Mvs591Nzp -----------------------------------------------------

// The value of (rec.VrgBer, rec.VrgFld) into rec.VrgWrt.
int32_t Vrg_Readk(VrgRecord& rec);

// The period of rec.NzpAkz that began before today and ends after today
// (both days excluded; a period without a last day does not count); every
// field, only on 0.
int32_t Nzp_AktReadk(NzpRecord& rec);
// Sets NzpAan, NzpVfh, NzpNfh, NzpAus (and NzpAdt) of the period
// (rec.NzpAkz, rec.NzpGvn, rec.NzpGbi).
int32_t Nzp_PKeyUpd(const NzpRecord& rec);
