// Test seam: makes chosen file and database operations fail on purpose.
//
// The waiting and dropping paths of the message log are hard to reach with
// real files alone (a lasting access error, a rename refused by the system),
// and so is a rollback that the database driver refuses.
// A test arms a fault for one operation; the next `count` calls of that
// operation then fail with the given result without touching any file. The
// program itself never arms a fault, so the seam costs it one check per call.
#pragma once

#include "platform/FileResult.h"

// EngineRollback: the ODBC engine's end of a transaction by rollback (its
// result is not used: the rollback fails).
enum class PlatFaultPoint { LockedOpen, DeleteFile, RenameNoReplace, EngineRollback };

// Test only: the next `count` calls at `point` return `result`.
void Plat_InjectFault(PlatFaultPoint point, int count, PlatFileResult result);

// Test only: disarms every fault.
void Plat_ClearFaults();

// Used by the platform functions: true (and `result` filled) when a fault
// armed for `point` is due; it is then used up.
bool Plat_TakeFault(PlatFaultPoint point, PlatFileResult& result);
