#include "tools/platform/PrivateFile.h"

#include <windows.h>

#include "tools/platform/windows/ErrorText.h"
#include "tools/platform/windows/OwnerOnly.h"

std::string Plat_CreatePrivateFile(const std::string& path) {
  PlatWin_OwnerOnly rights;
  if (!rights.ok()) return PlatWin_ErrorText(rights.error());
  const HANDLE file =
      ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, rights.attributes(), CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    // Made meanwhile: an existing file.
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? std::string() : PlatWin_ErrorText(error);
  }
  ::CloseHandle(file);
  return {};
}
