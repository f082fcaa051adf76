// Access rights for files that hold personal data or a password: full
// access for the account that runs the program, and read (or read and
// write) for the account named with --grant, nobody else, nothing
// inherited from the directory (tools/platform/windows/OwnerOnlySddl.h).
#pragma once

#include <windows.h>

#include "tools/platform/Grant.h"

class PlatWin_OwnerOnly {
 public:
  // Builds the rights of the current account and of `grant` (none: the
  // current account alone); ok() tells whether that worked (else error() is
  // the system's code).
  explicit PlatWin_OwnerOnly(const PlatGrant* grant = nullptr);
  ~PlatWin_OwnerOnly();
  PlatWin_OwnerOnly(const PlatWin_OwnerOnly&) = delete;
  PlatWin_OwnerOnly& operator=(const PlatWin_OwnerOnly&) = delete;

  bool ok() const { return descriptor_ != nullptr; }
  DWORD error() const { return error_; }
  // For CreateFileA; valid while this object lives.
  SECURITY_ATTRIBUTES* attributes() { return ok() ? &attributes_ : nullptr; }
  // The access list alone, for SetSecurityInfo on a file that exists.
  PACL dacl() const;

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
  SECURITY_ATTRIBUTES attributes_{};
  DWORD error_ = ERROR_SUCCESS;
};
