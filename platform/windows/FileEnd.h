// Reading and cutting back the end of an open file: what the logs' writers
// do, under their lock, with a part that another writer left unfinished or
// that their own failed write left behind.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

// Reads the last `maxBytes` bytes of `file` (fewer when it is shorter) into
// `tail`; `tailStart` is the file offset of tail's first byte. Returns
// ERROR_SUCCESS or the error (`tail` empty then); a handle without read access
// gives ERROR_ACCESS_DENIED.
DWORD PlatWin_ReadTail(HANDLE file, std::size_t maxBytes, std::string& tail, std::uint64_t& tailStart);

// Cuts `file` back to its first `size` bytes and flushes it to the disk.
// Returns ERROR_SUCCESS or the error.
DWORD PlatWin_CutBack(HANDLE file, std::uint64_t size);
