// The Windows file handle behind the int handles of AppendFile.h and
// LockedFile.h: the C runtime's descriptor table holds the HANDLE, so the
// headers keep one contract on both systems.
#pragma once

#include <windows.h>

// Wraps `file` into a descriptor that owns it; -1 (and `file` closed) when
// the table is full.
int PlatWin_Adopt(HANDLE file);

// The HANDLE of a descriptor from PlatWin_Adopt (INVALID_HANDLE_VALUE for
// any other value).
HANDLE PlatWin_FileOf(int handle);

// Closes the descriptor and its HANDLE. Returns whether that worked.
bool PlatWin_Close(int handle);
