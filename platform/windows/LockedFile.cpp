#include "platform/LockedFile.h"

#include <windows.h>

#include <string>

#include "platform/FaultInjection.h"
#include "platform/windows/FileEnd.h"
#include "platform/windows/Handle.h"

PlatFileResult Plat_LockedOpen(std::string_view systemPath, int& handle) {
  handle = -1;
  PlatFileResult injected;
  if (Plat_TakeFault(PlatFaultPoint::LockedOpen, injected)) return injected;

  // Shared for reading only: while this handle is open, every other writer's
  // open fails with a sharing violation (and waits), a reader's succeeds.
  // The same holds for a rename or delete of the file (the rotation of
  // another process), so the name cannot move away under an entry.
  const std::string path(systemPath);
  const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Plat_FileResultOf(static_cast<int>(::GetLastError()));
  handle = PlatWin_Adopt(file);
  if (handle < 0) return Plat_FileResultOf(ERROR_TOO_MANY_OPEN_FILES);
  return {};
}

PlatFileResult Plat_LockedAppend(int handle, const void* data, std::size_t length) {
  const HANDLE file = PlatWin_FileOf(handle);
  LARGE_INTEGER before{};
  if (!::GetFileSizeEx(file, &before)) return Plat_FileResultOf(static_cast<int>(::GetLastError()));
  if (length > MAXDWORD) return Plat_FileResultOf(ERROR_INVALID_PARAMETER);

  // The whole entry in one write at the end; nobody else writes while this
  // handle is open.
  LARGE_INTEGER none{};
  DWORD written = 0;
  DWORD error = ERROR_SUCCESS;
  if (!::SetFilePointerEx(file, none, nullptr, FILE_END)) {
    error = ::GetLastError();
  } else if (!::WriteFile(file, data, static_cast<DWORD>(length), &written, nullptr)) {
    error = ::GetLastError();
  } else if (written != length) {
    error = ERROR_HANDLE_DISK_FULL;
  }
  if (error == ERROR_SUCCESS) return {};
  // No part of an entry stays behind.
  PlatWin_CutBack(file, static_cast<std::uint64_t>(before.QuadPart));
  return Plat_FileResultOf(static_cast<int>(error));
}

PlatFileResult Plat_LockedReadTail(int handle, std::size_t maxBytes, std::string& tail, std::uint64_t& tailStart) {
  // The handle is opened for reading and writing and shared with no other
  // writer, so the end read here stays the end until this handle appends.
  return Plat_FileResultOf(static_cast<int>(PlatWin_ReadTail(PlatWin_FileOf(handle), maxBytes, tail, tailStart)));
}

PlatFileResult Plat_LockedCutBack(int handle, std::uint64_t size) {
  return Plat_FileResultOf(static_cast<int>(PlatWin_CutBack(PlatWin_FileOf(handle), size)));
}

PlatFileResult Plat_LockedClose(int handle) {
  if (!PlatWin_Close(handle)) return Plat_FileResultOf(ERROR_INVALID_HANDLE);
  return {};
}
