#include "tools/platform/Grant.h"

#include <windows.h>
#include <sddl.h>

#include "tools/platform/windows/ErrorText.h"

std::string Plat_ResolveGrant(const std::string& account, PlatGrantRights rights, PlatGrant& grant) {
  grant = PlatGrant{};
  grant.name = account;
  grant.rights = rights;
  if (account.empty()) return "--grant needs an account name (DOMAIN\\name)";
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD sidSize = sizeof sid;
  char domain[256];
  DWORD domainSize = sizeof domain;
  SID_NAME_USE use = SidTypeUnknown;
  if (!::LookupAccountNameA(nullptr, account.c_str(), sid, &sidSize, domain, &domainSize, &use)) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_NONE_MAPPED) return "no account named '" + account + "' on this machine or its domain";
    return "cannot look up the account '" + account + "': " + PlatWin_ErrorText(error);
  }
  char* text = nullptr;
  if (!::ConvertSidToStringSidA(sid, &text)) {
    return "cannot look up the account '" + account + "': " + PlatWin_ErrorText(::GetLastError());
  }
  grant.sid = text;
  ::LocalFree(text);
  return {};
}
