// Access rights for files that hold personal data or a password: full
// access for the account that runs the program, nobody else, nothing
// inherited from the directory.
#pragma once

#include <windows.h>

class PlatWin_OwnerOnly {
 public:
  // Builds the rights of the current account; ok() tells whether that worked
  // (else error() is the system's code).
  PlatWin_OwnerOnly();
  ~PlatWin_OwnerOnly();
  PlatWin_OwnerOnly(const PlatWin_OwnerOnly&) = delete;
  PlatWin_OwnerOnly& operator=(const PlatWin_OwnerOnly&) = delete;

  bool ok() const { return descriptor_ != nullptr; }
  DWORD error() const { return error_; }
  // For CreateFileA; valid while this object lives.
  SECURITY_ATTRIBUTES* attributes() { return ok() ? &attributes_ : nullptr; }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
  SECURITY_ATTRIBUTES attributes_{};
  DWORD error_ = ERROR_SUCCESS;
};
