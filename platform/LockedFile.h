// The message log's file: opened per entry, held exclusively while written.
//
// Several processes of the system append to one message log. A writer takes
// an exclusive lock on the file that every other writer using these functions
// respects (readers are not kept out), and releases it when it closes. Every
// write reaches the disk before it returns (write-through), so an entry that
// was reported written survives a crash of the machine.
//
// Paths are system paths (".\Msg\ZelWrkJob.txt"); they are converted to the
// native form here. The caller owns the handle between a successful
// Plat_LockedOpen and Plat_LockedClose and must close it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/FileResult.h"

// Opens `systemPath` for reading and writing, creating it when missing, and
// locks it without blocking. Ok: `handle` holds the open, locked file.
// SharingConflict: another writer holds the lock. AccessDenied: no permission.
// OtherError: anything else (a missing directory, a name the system refuses).
PlatFileResult Plat_LockedOpen(std::string_view systemPath, int& handle);

// Appends `length` bytes at the end of the file. On failure the file is cut
// back to the length it had before, so that no part of an entry stays behind.
PlatFileResult Plat_LockedAppend(int handle, const void* data, std::size_t length);

// Reads the last `maxBytes` bytes of the locked file (fewer when it is
// shorter) into `tail`; `tailStart` is the file offset of tail's first byte.
PlatFileResult Plat_LockedReadTail(int handle, std::size_t maxBytes, std::string& tail, std::uint64_t& tailStart);

// Cuts the locked file back to its first `size` bytes, write-through.
PlatFileResult Plat_LockedCutBack(int handle, std::uint64_t size);

// Releases the lock and closes the handle (also when the result is a failure).
PlatFileResult Plat_LockedClose(int handle);
