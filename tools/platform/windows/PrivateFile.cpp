#include "tools/platform/PrivateFile.h"

#include <windows.h>
#include <aclapi.h>

#include "tools/platform/windows/ErrorText.h"
#include "tools/platform/windows/OwnerOnly.h"

std::string Plat_CreatePrivateFile(const std::string& path, const PlatGrant* grant) {
  PlatWin_OwnerOnly rights(grant);
  if (!rights.ok()) return PlatWin_ErrorText(rights.error());
  const HANDLE file =
      ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, rights.attributes(), CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return PlatWin_ErrorText(error);
    // Made meanwhile, or there before: an existing file, which gets the
    // named account's rights when there is one (its own list is replaced).
    if (!grant) return {};
    const DWORD set = ::SetNamedSecurityInfoA(const_cast<char*>(path.c_str()), SE_FILE_OBJECT,
                                              DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                              nullptr, nullptr, rights.dacl(), nullptr);
    return set == ERROR_SUCCESS ? std::string() : PlatWin_ErrorText(set);
  }
  ::CloseHandle(file);
  return {};
}
