// Host records of the shop-floor tables: orders and their operations, work
// groups and workstations, cost-centre assignments, the shift models with
// their calendars and break periods, values and periods of the plant.
//
// The caller owns every record; the operations of db/shop/DbstdShop.h read and
// write it in place and keep no reference to it. A new record is all zero
// bytes (every text empty, every number 0): clear it with `Rec r{};`.
//
// Fields are the table's columns in the table's order:
//  - a text column is a FixedText one place wider than the column's width
//    in db/schema/Schema.cpp (the terminator), both in characters; tests check
//    every width against it;
//  - an integer column is int32_t; a column marked 16-bit (Sta, Sts, Sis,
//    Ssn, Afo, Eaf) is held as int32_t too but travels as a signed 16-bit
//    integer (its low 16 bits are sent, the value read is widened with its
//    sign);
//  - a floating-point column is double;
//  - a day is "yyyymmdd" (FixedText<9>), empty for NULL;
//  - an instant is "yyyymmddHH24MISS" (FixedText<15>), empty for NULL;
//  - an instant kept as day and time is two fields: <Col> the day
//    "yyyymmdd" and <Col>Tim the time "HH24MISS" (FixedText<7>). Writes send
//    them as one instant: both empty is NULL, a day without a time is that
//    day at midnight, and a time without a day is refused by the database
//    (-1861) rather than dropped.
// The change instants (ApkDat, ApgDat, ... NzpAdt) are set to sysdate by the
// writes and are not fields, except AppDat, which the reads deliver.
#pragma once

#include <cstdint>
#include <type_traits>

#include "util/FixedText.h"

// One order of Mvs501Apk.
struct ApkRecord {
  FixedText<21> ApkApk;  // key
  FixedText<41> ApkBz1;
  FixedText<41> ApkBz2;
  FixedText<81> ApkTxt;
  int32_t ApkSts;  // 16-bit
  int32_t ApkSis;  // 16-bit
  FixedText<21> ApkKun;
  FixedText<41> ApkKb1;
  FixedText<41> ApkKb2;
  FixedText<9> ApkBgs;  // day
  FixedText<9> ApkEns;  // day
  int32_t ApkAfo;       // 16-bit
  int32_t ApkEaf;       // 16-bit
  FixedText<21> ApkTnr;
  FixedText<41> ApkTb1;
  FixedText<41> ApkTb2;
  double ApkSme;
  double ApkIme;
  FixedText<11> ApkMee;
  FixedText<9> ApkBdi;  // instant as day ...
  FixedText<7> ApkBdiTim;  // ... and time
  FixedText<9> ApkEdi;
  FixedText<7> ApkEdiTim;
  FixedText<11> ApkFbe;
  FixedText<11> ApkKst;
  FixedText<31> ApkZf1;
  FixedText<31> ApkZf2;
  FixedText<31> ApkZf3;
  FixedText<11> ApkKnz;
  int32_t ApkSsn;  // 16-bit
  FixedText<9> ApkDwn;
  FixedText<4> ApkDna;
  int32_t ApkSta;  // 16-bit
  FixedText<9> ApkErf;
  int32_t ApkAba;
};

// One operation of an order, Mvs504App (AppApk names its Mvs501Apk row).
struct AppRecord {
  FixedText<21> AppApk;  // key, with AppApp
  FixedText<21> AppApp;
  FixedText<21> AppVaf;
  FixedText<21> AppNaf;
  FixedText<41> AppBz1;
  FixedText<41> AppBz2;
  FixedText<81> AppTxt;
  int32_t AppSts;  // 16-bit
  int32_t AppSis;  // 16-bit
  FixedText<9> AppBdi;  // the eight instants, each as day and time
  FixedText<7> AppBdiTim;
  FixedText<9> AppBds;
  FixedText<7> AppBdsTim;
  FixedText<9> AppSbd;
  FixedText<7> AppSbdTim;
  FixedText<9> AppEdi;
  FixedText<7> AppEdiTim;
  FixedText<9> AppEds;
  FixedText<7> AppEdsTim;
  FixedText<9> AppSed;
  FixedText<7> AppSedTim;
  FixedText<9> AppRad;
  FixedText<7> AppRadTim;
  FixedText<9> AppRed;
  FixedText<7> AppRedTim;
  int32_t AppAgs;
  int32_t AppAbs;
  int32_t AppAes;
  double AppSme;
  double AppIme;
  double AppAme;
  FixedText<11> AppMee;
  double AppSza;
  double AppStr;
  double AppSte;
  double AppIta;
  double AppItr;
  double AppIte;
  FixedText<21> AppApg;
  FixedText<21> AppApl;
  FixedText<11> AppKt1;
  FixedText<11> AppKz1;
  FixedText<11> AppKt2;
  FixedText<11> AppKz2;
  FixedText<11> AppKt3;
  FixedText<11> AppKz3;
  FixedText<11> AppKt4;
  FixedText<11> AppKz4;
  FixedText<11> AppFbe;
  FixedText<11> AppKst;
  FixedText<31> AppZf1;
  FixedText<31> AppZf2;
  FixedText<31> AppZf3;
  FixedText<11> AppKnz;
  int32_t AppSsn;  // 16-bit
  FixedText<4> AppDna;
  FixedText<9> AppDwn;
  int32_t AppSta;        // 16-bit
  FixedText<15> AppDat;  // instant of the last change: read only, writes set sysdate
  FixedText<9> AppErf;
};

// One work group of Mvs530Apg.
struct ApgRecord {
  FixedText<21> ApgApg;  // key
  FixedText<41> ApgBez;
  FixedText<81> ApgTxt;
  FixedText<11> ApgFbe;
  FixedText<11> ApgKst;
  int32_t ApgApl;
  int32_t ApgTag;
  double ApgKap;
  double ApgPrd;
  double ApgRst;
  double ApgPau;
  double ApgUnt;
  double ApgIak;
  FixedText<11> ApgSt1;
  FixedText<11> ApgSt2;
  FixedText<11> ApgSt3;
  double ApgSf1;
  double ApgSf2;
  double ApgSf3;
  FixedText<31> ApgZf1;
  FixedText<31> ApgZf2;
  FixedText<31> ApgZf3;
  FixedText<4> ApgDna;
  FixedText<9> ApgDwn;
  int32_t ApgSta;  // 16-bit
  FixedText<9> ApgErf;
};

// One workstation of Mvs531Apl (AplApg names its Mvs530Apg row).
struct AplRecord {
  FixedText<21> AplApl;  // key
  FixedText<41> AplBez;
  FixedText<81> AplTxt;
  FixedText<21> AplApg;
  FixedText<11> AplFbe;
  int32_t AplSts;  // 16-bit
  int32_t AplSis;  // 16-bit
  int32_t AplApr;
  int32_t AplAaf;
  FixedText<21> AplUbg;
  FixedText<15> AplUdt;  // instant
  int32_t AplTag;
  double AplVrf;
  double AplRsp;
  double AplRsi;
  double AplAfp;
  double AplAfi;
  double AplPau;
  double AplUnt;
  double AplIak;
  int32_t AplAvt;
  double AplKap;
  double AplAvr;
  double AplAvp;
  FixedText<11> AplSt1;
  FixedText<11> AplSt2;
  FixedText<11> AplSt3;
  double AplSf1;
  double AplSf2;
  double AplSf3;
  FixedText<31> AplZf1;
  FixedText<31> AplZf2;
  FixedText<31> AplZf3;
  FixedText<4> AplDna;
  FixedText<9> AplDwn;
  int32_t AplSta;  // 16-bit
  FixedText<9> AplErf;
};

// One row of Mvs521Ubg.
struct UbgRecord {
  FixedText<21> UbgUbg;  // key
  int32_t UbgKnz;
  FixedText<11> UbgFbe;
  FixedText<41> UbgBez;
  FixedText<81> UbgTxt;
  FixedText<31> UbgZf1;
  FixedText<31> UbgZf2;
  FixedText<31> UbgZf3;
  int32_t UbgAst;
  double UbgRst;
  double UbgAsf;
  FixedText<11> UbgSt1;
  FixedText<11> UbgSt2;
  FixedText<11> UbgSt3;
  double UbgSf1;
  double UbgSf2;
  double UbgSf3;
  FixedText<4> UbgDna;
  FixedText<9> UbgDwn;
  int32_t UbgSta;  // 16-bit
  FixedText<9> UbgErf;
};

// The cost centre of a work group for one validity period, Mvs537Ksg.
struct KsgRecord {
  FixedText<21> KsgApg;  // key, with KsgGvo
  FixedText<9> KsgGvo;   // first day
  FixedText<11> KsgKst;  // cost centre
  FixedText<9> KsgGbi;   // last day; empty = open end
  FixedText<11> KsgFbe;
  FixedText<31> KsgZf1;
  FixedText<31> KsgZf2;
  FixedText<31> KsgZf3;
  int32_t KsgSta;  // 16-bit
  FixedText<9> KsgErf;
};

// One row of Mvs553Fzu (rows whose FzuAec is "0" are the current ones).
struct FzuRecord {
  FixedText<21> FzuFcd;
  FixedText<21> FzuMld;
  FixedText<41> FzuBez;
  FixedText<81> FzuTxt;
  int32_t FzuArt;
  int32_t FzuObj;
  int32_t FzuUpl;
  int32_t FzuGen;
  FixedText<31> FzuZf1;
  FixedText<31> FzuZf2;
  FixedText<31> FzuZf3;
  int32_t FzuSta;  // 16-bit
  FixedText<9> FzuErf;
};

// One shift-model row of Mvs532Aem as the day cursor delivers it: the Aem
// columns, then the values of that day from the calendars MvSystem.Mvs133Kal
// (day type and day) and MvSystem.Mvs133Bak (its numbers).
struct AemDayRecord {
  FixedText<21> AemApg;
  FixedText<21> AemEmo;
  FixedText<9> AemGvo;  // first day
  FixedText<41> AemBez;
  FixedText<81> AemTxt;
  FixedText<21> AemKal;  // the calendar (KalNum) the row follows
  int32_t AemLkz;
  int32_t AemVzt;
  int32_t AemEzt;
  int32_t AemPrz;
  int32_t AemAfz;
  int32_t AemApz;
  int32_t AemPrp;
  int32_t AemAfp;
  int32_t AemApp;
  int32_t AemMaz;
  FixedText<9> KalDtm;   // the day
  FixedText<11> KalBtp;  // the day's type in the calendar
  int32_t BakJhr;
  int32_t BakMon;
  int32_t BakWch;
  int32_t BakWtg;
  int32_t BakJtg;
};

// One row of Mvs533Emo: a part of a shift model for one day type.
struct EmoRecord {
  FixedText<21> EmoEmo;
  FixedText<11> EmoTtp;  // day type
  FixedText<81> EmoTxt;
  int32_t EmoBeg;  // minutes of the day
  int32_t EmoEnd;
  int32_t EmoArt;
};

// An Mvs533Emo row with one of its break periods of Mvs535Pms (reached
// through Mvs536Pmz), as the break cursor delivers it.
struct EmoPmsRecord {
  FixedText<21> EmoEmo;
  FixedText<11> EmoTtp;
  FixedText<81> EmoTxt;
  int32_t EmoBeg;
  int32_t EmoEnd;
  FixedText<21> PmsNum;
  int32_t PmsBeg;  // minute of the day, 0 to 1439
  int32_t PmsEnd;  // less than PmsBeg: the period runs over midnight
  int32_t PmsInt;
  int32_t PmsPse;
  int32_t PmsBzt;
  int32_t PmsPrz;
};

// One value of Mvs555Vrg: area and field name the value.
struct VrgRecord {
  FixedText<11> VrgBer;
  FixedText<4> VrgFld;
  FixedText<31> VrgWrt;
};

// One period of Mvs591Nzp (key NzpAkz, NzpGvn, NzpGbi).
struct NzpRecord {
  int32_t NzpAkz;
  FixedText<9> NzpGvn;  // first day
  FixedText<9> NzpGbi;  // last day
  int32_t NzpAak;
  int32_t NzpAwt;
  int32_t NzpKjh;
  int32_t NzpKmn;
  int32_t NzpKwo;
  int32_t NzpKtg;
  int32_t NzpAan;
  int32_t NzpVfh;
  int32_t NzpNfh;
  FixedText<31> NzpAus;
  int32_t NzpMrk;
};

#define ZEL_SHOP_RECORD_CHECK(R) static_assert(std::is_standard_layout_v<R> && std::is_trivially_copyable_v<R>)
ZEL_SHOP_RECORD_CHECK(ApkRecord);
ZEL_SHOP_RECORD_CHECK(AppRecord);
ZEL_SHOP_RECORD_CHECK(ApgRecord);
ZEL_SHOP_RECORD_CHECK(AplRecord);
ZEL_SHOP_RECORD_CHECK(UbgRecord);
ZEL_SHOP_RECORD_CHECK(KsgRecord);
ZEL_SHOP_RECORD_CHECK(FzuRecord);
ZEL_SHOP_RECORD_CHECK(AemDayRecord);
ZEL_SHOP_RECORD_CHECK(EmoRecord);
ZEL_SHOP_RECORD_CHECK(EmoPmsRecord);
ZEL_SHOP_RECORD_CHECK(VrgRecord);
ZEL_SHOP_RECORD_CHECK(NzpRecord);
#undef ZEL_SHOP_RECORD_CHECK
