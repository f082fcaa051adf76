#include "platform/AppendFile.h"

#include <windows.h>

#include <string>

#include "platform/windows/Handle.h"

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
  LARGE_INTEGER at{};
  at.QuadPart = start;
  if (::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ::SetEndOfFile(file)) ::FlushFileBuffers(file);
}
}  // namespace

int Plat_AppendOpen(std::string_view systemPath) {
  // Shared for reading and writing: other programs (and other runs) may read
  // and append meanwhile.
  const std::string path(systemPath);
  const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  return PlatWin_Adopt(file);
}

bool Plat_AppendWrite(int handle, const void* data, std::size_t length) {
  const HANDLE file = PlatWin_FileOf(handle);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool locked = Lock(file);
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
