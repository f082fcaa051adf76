#include "platform/windows/Handle.h"

#include <io.h>

#include <cstdint>

int PlatWin_Adopt(HANDLE file) {
  const int handle = ::_open_osfhandle(reinterpret_cast<std::intptr_t>(file), 0);
  if (handle < 0) ::CloseHandle(file);
  return handle;
}

HANDLE PlatWin_FileOf(int handle) { return reinterpret_cast<HANDLE>(::_get_osfhandle(handle)); }

bool PlatWin_Close(int handle) { return ::_close(handle) == 0; }
