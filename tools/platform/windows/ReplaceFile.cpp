#include "tools/platform/ReplaceFile.h"

#include <windows.h>
#include <aclapi.h>

#include <filesystem>

#include "tools/platform/ShownPath.h"
#include "tools/platform/windows/ErrorText.h"
#include "tools/platform/windows/OwnerOnly.h"

namespace fs = std::filesystem;

namespace {

std::string Failure(const std::string& what, const std::string& path, DWORD error) {
  return what + " " + Plat_ShownPath(path) + ": " + PlatWin_ErrorText(error);
}

// The access list of an existing file, and whether it is protected from the
// directory's inherited entries.
struct Rights {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  PACL dacl = nullptr;
  bool isProtected = false;
  ~Rights() {
    if (descriptor) ::LocalFree(descriptor);
  }
};

DWORD ReadRights(const std::string& path, Rights& rights) {
  const DWORD error = ::GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                              nullptr, &rights.dacl, nullptr, &rights.descriptor);
  if (error != ERROR_SUCCESS) return error;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (::GetSecurityDescriptorControl(rights.descriptor, &control, &revision)) {
    rights.isProtected = (control & SE_DACL_PROTECTED) != 0;
  }
  return ERROR_SUCCESS;
}

// Creates a file of its own beside `target` with the access rights `rights`
// (nullptr: those the directory passes on).
HANDLE CreateTemporary(const fs::path& dir, const fs::path& target, SECURITY_ATTRIBUTES* rights, std::string& name,
                       DWORD& error) {
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const unsigned tag = (::GetCurrentProcessId() * 7919u + ::GetTickCount() + attempt) & 0xFFFFFFu;
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%06X", tag);
    // Appended part by part: g++ 12 warns of a false overlap in a chain of sums.
    std::string leaf = ".";
    leaf.append(target.filename().string()).append(suffix);
    name = (dir / leaf).string();
    const HANDLE file = ::CreateFileA(name.c_str(), GENERIC_WRITE | READ_CONTROL | WRITE_DAC, 0, rights,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

std::string Plat_ReplaceFileAtomically(const std::string& path, std::string_view content, PlatNewFileAccess newAccess,
                                       const PlatGrant* grant) {
  const fs::path target(path);
  // Rights given by name replace those of the file.
  const bool exists = !grant && ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  // An existing file is shared with other programs of the system, which may
  // read it under other accounts: the new file takes its access list.
  Rights existing;
  if (exists) {
    if (const DWORD error = ReadRights(path, existing); error != ERROR_SUCCESS) {
      return Failure("cannot read the access rights of", path, error);
    }
  }
  fs::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) return "cannot create directory " + Plat_ShownPath(dir.string()) + ": " + ec.message();

  // The password lies in this file: readable by its owner only while it is
  // written, and so for good when it is new (with the named account's
  // rights beside its own).
  PlatWin_OwnerOnly ownerOnly(grant);
  if (!ownerOnly.ok()) return Failure("cannot make owner-only rights for a file in", dir.string(), ownerOnly.error());
  std::string temp;
  DWORD error = ERROR_SUCCESS;
  // A new file readable by all takes what the directory passes on to its
  // files (no attributes of its own); so does the temporary file until then.
  SECURITY_ATTRIBUTES* rights =
      !exists && !grant && newAccess == PlatNewFileAccess::ReadableByAll ? nullptr : ownerOnly.attributes();
  const HANDLE file = CreateTemporary(dir, target, rights, temp, error);
  if (file == INVALID_HANDLE_VALUE) return Failure("cannot create a file in", dir.string(), error);

  std::string failure;
  DWORD written = 0;
  if (content.size() > MAXDWORD) {
    failure = Failure("cannot write", temp, ERROR_FILE_TOO_LARGE);
  } else if (!::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) ||
             written != content.size()) {
    failure = Failure("cannot write", temp, ::GetLastError());
  } else if (!::FlushFileBuffers(file)) {
    failure = Failure("cannot flush", temp, ::GetLastError());
  } else if (exists) {
    const SECURITY_INFORMATION which =
        DACL_SECURITY_INFORMATION |
        (existing.isProtected ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION);
    if (const DWORD e = ::SetSecurityInfo(file, SE_FILE_OBJECT, which, nullptr, nullptr, existing.dacl, nullptr);
        e != ERROR_SUCCESS) {
      failure = Failure("cannot keep the access rights of", path, e);
    }
  }
  if (!::CloseHandle(file) && failure.empty()) failure = Failure("cannot close", temp, ::GetLastError());
  // Replaced in one step, written through to the disk before it returns; a
  // file moved within its volume keeps its access list.
  if (failure.empty() &&
      !::MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    failure = Failure("cannot replace", path, ::GetLastError());
  }
  if (!failure.empty()) ::DeleteFileA(temp.c_str());
  return failure;
}
