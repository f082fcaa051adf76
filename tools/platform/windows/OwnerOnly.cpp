#include "tools/platform/windows/OwnerOnly.h"

#include <sddl.h>

#include <string>
#include <vector>

#include "tools/platform/windows/OwnerOnlySddl.h"

namespace {
// The current account's SID as text ("S-1-5-21-..."), empty on failure.
std::string CurrentUserSid(DWORD& error) {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
    error = ::GetLastError();
    return {};
  }
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> buffer(size ? size : 1);
  std::string text;
  char* sid = nullptr;
  if (::GetTokenInformation(token, TokenUser, buffer.data(), size, &size) &&
      ::ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sid)) {
    text = sid;
    ::LocalFree(sid);
  } else {
    error = ::GetLastError();
  }
  ::CloseHandle(token);
  return text;
}
}  // namespace

PlatWin_OwnerOnly::PlatWin_OwnerOnly(const PlatGrant* grant) {
  const std::string sid = CurrentUserSid(error_);
  if (sid.empty()) return;
  const std::string sddl = PlatWin_OwnerOnlySddl(sid, grant);
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &descriptor_, nullptr)) {
    error_ = ::GetLastError();
    descriptor_ = nullptr;
    return;
  }
  attributes_.nLength = sizeof attributes_;
  attributes_.lpSecurityDescriptor = descriptor_;
  attributes_.bInheritHandle = FALSE;
}

PACL PlatWin_OwnerOnly::dacl() const {
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL list = nullptr;
  if (!descriptor_ || !::GetSecurityDescriptorDacl(descriptor_, &present, &list, &defaulted) || !present) return nullptr;
  return list;
}

PlatWin_OwnerOnly::~PlatWin_OwnerOnly() {
  if (descriptor_) ::LocalFree(descriptor_);
}
