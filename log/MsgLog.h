// Message log: the program's record of failures and notices.
//
// Any part of the program hands it one MessageEntry per event; the log
// appends a fixed-layout entry (date, time, kinds, message, function, code and,
// for DMSG and SMSG, an extra block) with CR LF line ends to the log file.
// A kind mask set once by MsgLog_Setup decides which kinds are written at
// all; nothing is written before MsgLog_Setup. The file is opened and closed
// for every entry under a lock that keeps other writers out (readers are not
// kept out), and every entry is on disk before MsgLog_Write returns.
//
// Waiting: while another writer holds the file, or access is denied, the log
// waits 333 ms and tries again, at most 90 times per entry (about 30 s in all,
// shared by the rotation's delete and rename and the open); then the entry is
// dropped. Access denied for a whole budget, at any of these steps, counts
// as lasting (a read-only file, old generation or directory): the following
// entries then try once without waiting for denied access and are dropped
// at once, until one is written again. A lasting access error therefore
// costs the run 30 s once, not 30 s per entry, and never hangs the program.
//
// Rotation: once this process has written more than 3000 entries (the count
// is per process and starts at 0), the next entry first deletes the old
// generation, renames the log to the rotation name (never replacing a file of
// that name) and then starts a new file. When the log has vanished by then
// there is nothing to rotate: the count starts again and the entry goes into
// a new file. When the rename fails otherwise, the entry is dropped and the
// next entry tries again.
//
// File names are held whole, whatever their length; they are never cut. A
// name the system refuses (too long, missing directory) makes every entry
// drop silently. Texts of an entry (message, function, data) are written
// complete, whatever their length.
//
// The log never reports its own failures: an entry that cannot be written is
// dropped silently and the caller goes on. The module state (mask, names,
// count) belongs to the process; the log is not meant for several threads.
#pragma once

#include <cstdint>

// Message kinds (bits of MessageEntry::kinds and of the mask).
constexpr int32_t DMSG = 1;   // data block follows the header
constexpr int32_t SMSG = 2;   // system block (CR LF CR LF) follows the header
constexpr int32_t FMSG = 4;   // failure
constexpr int32_t WMSG = 8;   // warning
constexpr int32_t CMSG = 16;  // notice

// One event. The caller owns the entry and its texts; the log only reads them
// during MsgLog_Write. `data` and `dataLength` are read only with DMSG; a null
// `data` counts as an empty block. Null texts count as empty texts.
struct MessageEntry {
  const char* function = "";
  const char* message = "";
  int32_t kinds = 0;
  int32_t code = 0;
  const void* data = nullptr;
  uint32_t dataLength = 0;
};

// Sets the kind mask and the log file name (system form, for example
// ".\Msg\ZelWrkJob.txt"; nullptr or "" gives "msg.dat"), and derives the
// rotation name: the extension of the file name (from its last '.') replaced
// by ".old", or ".old" appended when it has none; '\' and '/' both end the
// directory part. Does not reset the entry count.
void MsgLog_Setup(int32_t mask, const char* fileName);

// Appends one entry when any of its kinds passes the mask (kinds AND mask
// greater than 0); otherwise the file is not touched and nothing counts.
void MsgLog_Write(const MessageEntry& entry);

// Fills a MessageEntry with the four values (no data block) and writes it.
void MsgLog_Report(int32_t code, const char* function, const char* message, int32_t kinds);

// Appends `length` bytes and CR LF to `fileName` (system form) under the same
// locking and waiting rules as MsgLog_Write; independent of set-up, mask and
// count. Returns 0, or the system error number of the failed step (after the
// waits are used up, the error of the last attempt); EINVAL without touching
// any file when `fileName` is null or `data` is null with a length above 0.
int32_t MsgLog_AppendRaw(const char* fileName, const void* data, uint32_t length);

// ---- Test support only; the program never calls these. ----

// Back to the state at process start: mask 0, "msg.dat", count 0, and the
// standard waits.
void MsgLog_ResetForTest();

// Replaces the waits (standard: 90 attempts of 333 ms) so that tests of the
// waiting paths do not sleep for half a minute.
void MsgLog_SetWaitForTest(int attempts, uint32_t sleepMs);

// Entries this process wrote since start, last reset or last rotation, and
// setting that count (to reach the rotation without writing 3001 entries).
int32_t MsgLog_EntryCountForTest();
void MsgLog_SetEntryCountForTest(int32_t count);

// Waits of 333 ms (or as set above) taken since process start or last reset.
int MsgLog_WaitCountForTest();
