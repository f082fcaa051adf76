// Host records of the download table, the badge assignments and the calendar.
//
// A record is owned by its caller; the table operations read and write it in
// place and keep no reference to it. A new record is all zero bytes (every
// text empty, every number 0): clear it with `Rec r{};` or r = {}. Texts are
// FixedText fields whose width, in characters, includes the terminator (the
// column's width plus one); days travel as "yyyymmdd", instants as
// "yyyymmddHH24MISS", and an empty day text is an open end in the record and
// NULL in the table.
#pragma once

#include <cstdint>
#include <type_traits>

#include "util/FixedText.h"

// One row of Mvs510Prv, the per-person download table, in field order.
struct PrvRecord {
  FixedText<9> PrvPnr;   // person number: identifies the row
  FixedText<9> PrvGvo;   // first day of validity
  FixedText<9> PrvGbi;   // last day of validity; empty = open end
  int32_t PrvBer;        // 0 in every new row
  FixedText<11> PrvKst;  // cost centre
  FixedText<11> PrvFbe;  // default FbeFbe when empty on insert
  int32_t PrvMmb;        // 0 in every new row
  FixedText<31> PrvZf1;
  FixedText<31> PrvZf2;
  FixedText<31> PrvZf3;
  FixedText<4> PrvDna;   // download mark: "NEU", "LOE", "AEN" or empty
  FixedText<9> PrvDwn;   // "Marvane" beside a pending mark
  int32_t PrvAwa;        // employment state: 1 active, 2 ended
  FixedText<9> PrvAwn;   // badge number
  int32_t PrvAnw;        // 0 in every new row
  FixedText<15> PrvAvn;  // instant
  FixedText<15> PrvAbi;  // instant
  int32_t PrvApl;        // 0 in every new row
  int32_t PrvApp;        // 0 in every new row
  int32_t PrvSta;        // travels as a signed 16-bit integer
  FixedText<15> PrvDat;  // never sent or read; insert and update set the column to sysdate
  FixedText<9> PrvErf;   // recorder mark taken over from the badge assignment
  int32_t PrvPzm;
  FixedText<51> PrvNam;  // the person's name
  FixedText<51> PrvStr;  // street
  FixedText<51> PrvOrt;  // town
};

// One badge assignment of MvSystem.Mvs301Asw with its person's name and address.
struct AswRecord {
  FixedText<9> AswPnr;   // person to whom the badge is assigned
  FixedText<9> AswGvo;   // first day
  FixedText<9> AswGbi;   // last day; empty = open end
  FixedText<9> AswNum;   // badge number
  FixedText<15> AswDat;  // instant the assignment was recorded
  FixedText<9> AswErf;   // recorder mark
  FixedText<51> PnrNam;
  FixedText<51> PnrStr;
  FixedText<51> PnrOrt;
};

// Inputs and outputs of the calendar reads on MvSystem.Mvs133Bak.
struct BakRecord {
  FixedText<9> BakDtm;     // in: base or first day; out: the day found
  FixedText<9> BakDtmEnd;  // in: last day of Bak_Count
  int32_t BakJhr;
  int32_t BakMon;
  int32_t BakTag;
  int32_t BakWch;
  int32_t BakWtg;
  int32_t BakJtg;
  int32_t BakDays;  // in: offset of Bak_DateReadk; out: the count of Bak_Count
};

static_assert(std::is_standard_layout_v<PrvRecord> && std::is_trivially_copyable_v<PrvRecord>);
static_assert(std::is_standard_layout_v<AswRecord> && std::is_trivially_copyable_v<AswRecord>);
static_assert(std::is_standard_layout_v<BakRecord> && std::is_trivially_copyable_v<BakRecord>);
