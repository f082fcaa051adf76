#include "platform/windows/FileEnd.h"

DWORD PlatWin_ReadTail(HANDLE file, std::size_t maxBytes, std::string& tail, std::uint64_t& tailStart) {
  tail.clear();
  tailStart = 0;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file, &size)) return ::GetLastError();
  const auto total = static_cast<std::uint64_t>(size.QuadPart);
  tailStart = total > maxBytes ? total - maxBytes : 0;
  tail.resize(static_cast<std::size_t>(total - tailStart));
  std::size_t done = 0;
  while (done < tail.size()) {
    // Read at an offset; the writers move to the end before each write, so
    // where this leaves the file pointer does not matter.
    const std::uint64_t offset = tailStart + done;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const std::size_t chunk = tail.size() - done < MAXDWORD ? tail.size() - done : MAXDWORD;
    DWORD n = 0;
    const bool read = ::ReadFile(file, tail.data() + done, static_cast<DWORD>(chunk), &n, &at) != 0;
    if (!read || n == 0) {
      // Nothing read without an error: the file became shorter meanwhile.
      const DWORD error = read ? ERROR_HANDLE_EOF : ::GetLastError();
      tail.clear();
      return error;
    }
    done += n;
  }
  return ERROR_SUCCESS;
}

DWORD PlatWin_CutBack(HANDLE file, std::uint64_t size) {
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(size);
  if (!::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) || !::SetEndOfFile(file) || !::FlushFileBuffers(file)) {
    return ::GetLastError();
  }
  return ERROR_SUCCESS;
}
