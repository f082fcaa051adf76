// Text files that several writers append to (the job log, the download
// program's start record).
//
// Every write goes to the current end of the file, also when another process
// appended meanwhile, and one call of Plat_AppendWrite is one write to the
// file under the file's lock, so the lines of concurrent writers never
// overwrite or cut each other. The caller owns the handle from a successful
// Plat_AppendOpen until Plat_AppendClose.
#pragma once

#include <cstddef>
#include <string_view>

// Opens the system path `systemPath` for appending, creating it when missing.
// Returns the handle, or -1 when the file cannot be opened.
int Plat_AppendOpen(std::string_view systemPath);

// Appends `length` bytes: whole lines, each ended with a line feed. Returns
// whether all of them were written. A line that a killed writer left
// unfinished at the end of the file is cut off first. A write that fails
// part-way (a full disk) takes back the part it wrote, so the file never
// keeps the start of a line. Each call holds the file's lock (flock;
// LockFileEx on Windows) while it cuts back, writes and takes back, so that
// it never cuts bytes that another writer of this function appended; it
// waits while another one holds it.
bool Plat_AppendWrite(int handle, const void* data, std::size_t length);

// Closes the handle.
void Plat_AppendClose(int handle);

// Test only: `hook` runs when a take-back has checked that the file still
// ends with this call's bytes and is about to cut them (nullptr: none).
void Plat_SetBeforeTakeBackForTest(void (*hook)());
