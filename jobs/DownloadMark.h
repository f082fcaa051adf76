// The download mark of a Mvs510Prv row and the system name beside it.
//
// PrvDna tells the download program what the terminals must learn of the
// row: a badge assignment begins ("NEU"), the assignment or the employment
// ends ("LOE"), the cost centre changed ("AEN"); empty when nothing is
// pending. A row stored with a pending mark carries the system's name
// "Marvane" in PrvDwn, the same name the download program is started with.
#pragma once

#include "db/Records.h"

inline constexpr const char* kMarkBegins = "NEU";
inline constexpr const char* kMarkEnds = "LOE";
inline constexpr const char* kMarkCostCentre = "AEN";
inline constexpr const char* kSystemName = "Marvane";

// Sets PrvDwn to the system name when a mark is pending; leaves it otherwise.
inline void NameSystemBesidePendingMark(PrvRecord& rec) {
  if (!rec.PrvDna.empty()) rec.PrvDwn = kSystemName;
}
