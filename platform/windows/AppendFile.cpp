#include "platform/AppendFile.h"

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/windows/FileEnd.h"
#include "platform/windows/Handle.h"
#include "util/TornLine.h"

namespace {
void (*gBeforeTakeBack)() = nullptr;

// The writers of these files lock this one byte, far past any real end of
// file, for each write: it orders them without keeping readers out of the
// text (a locked range of the text itself would make their reads fail).
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;

bool Lock(HANDLE file) {
  OVERLAPPED at{};
  at.OffsetHigh = kLockOffsetHigh;
  return ::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at) != 0;
}

void Unlock(HANDLE file) {
  OVERLAPPED at{};
  at.OffsetHigh = kLockOffsetHigh;
  ::UnlockFileEx(file, 0, 1, 0, &at);
}

std::int64_t SizeOf(HANDLE file) {
  LARGE_INTEGER size{};
  return ::GetFileSizeEx(file, &size) ? size.QuadPart : -1;
}

// A write that stopped part-way (a full disk) leaves the start of a line,
// which the next line would continue: cut off again when the file still ends
// where this call's bytes end.
void TakeBackPartialWrite(HANDLE file, std::int64_t start, std::size_t written) {
  if (start < 0 || SizeOf(file) != start + static_cast<std::int64_t>(written)) return;
  if (gBeforeTakeBack) gBeforeTakeBack();
  PlatWin_CutBack(file, static_cast<std::uint64_t>(start));
}

// A writer ended while its line was being written (TerminateProcess, a
// crash, a power cut) can leave only the line's first part; the next line
// would continue it. Every writer of these files writes whole lines, so a
// file that does not end with a line feed ends with such a part: it is cut
// back to after the last line feed within the last 4 KiB (to nothing when the
// whole file is shorter and has none), under the lock, before this writer
// appends. Without read access, or when a longer file has no line feed in its
// last 4 KiB, the file is left as it is.
void TakeBackTornLine(HANDLE file) {
  std::string tail;
  std::uint64_t from = 0;
  if (PlatWin_ReadTail(file, 1, tail, from) != ERROR_SUCCESS || tail.empty() || tail.back() == '\n') return;
  if (PlatWin_ReadTail(file, kTornLineTailBytes, tail, from) != ERROR_SUCCESS) return;
  const std::size_t torn = TornLineStart(tail, from == 0);
  if (torn != std::string::npos) PlatWin_CutBack(file, from + torn);
}
}  // namespace

int Plat_AppendOpen(std::string_view systemPath) {
  // Shared for reading and writing: other programs (and other runs) may read
  // and append meanwhile. Read access lets a writer see a line that another,
  // ended writer left unfinished; a file this account may only write (or that
  // another program holds without sharing reads) is still appended to.
  const std::string path(systemPath);
  for (const DWORD access : {GENERIC_READ | GENERIC_WRITE, static_cast<DWORD>(GENERIC_WRITE)}) {
    const HANDLE file = ::CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return PlatWin_Adopt(file);
    const DWORD error = ::GetLastError();
    if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) return -1;
  }
  return -1;
}

bool Plat_AppendWrite(int handle, const void* data, std::size_t length) {
  const HANDLE file = PlatWin_FileOf(handle);
  if (file == INVALID_HANDLE_VALUE) return false;
  // Without the lock (a file system that refuses it) the line is still
  // written, but nothing is cut back: that could cut another writer's bytes.
  const bool locked = Lock(file);
  if (locked) TakeBackTornLine(file);
  const char* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  std::int64_t start = locked ? SizeOf(file) : -1;
  while (done < length) {
    // Offset 0xFFFFFFFF:0xFFFFFFFF writes at the current end of the file,
    // also when a writer that does not take the lock appended meanwhile.
    OVERLAPPED atEnd{};
    atEnd.Offset = 0xFFFFFFFF;
    atEnd.OffsetHigh = 0xFFFFFFFF;
    const std::size_t chunk = length - done < MAXDWORD ? length - done : MAXDWORD;
    DWORD n = 0;
    if (!::WriteFile(file, bytes + done, static_cast<DWORD>(chunk), &n, &atEnd) || n == 0) {
      if (locked && done > 0) TakeBackPartialWrite(file, start, done);
      break;
    }
    done += n;
  }
  if (locked) Unlock(file);
  return done == length;
}

void Plat_AppendClose(int handle) { PlatWin_Close(handle); }

void Plat_SetBeforeTakeBackForTest(void (*hook)()) { gBeforeTakeBack = hook; }
