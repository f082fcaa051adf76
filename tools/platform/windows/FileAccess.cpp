#include "tools/platform/FileAccess.h"

#include <windows.h>
// After windows.h, which they need.
#include <aclapi.h>

#include <string>
#include <vector>

namespace {
// Whether an open with `access` would be allowed: the file is opened without
// creating anything and closed at once. A sharing violation means that the
// right is there and another program holds the file (the message log while
// an entry is written).
bool Allowed(std::string_view systemPath, DWORD access) {
  const std::string path(systemPath);
  const HANDLE file = ::CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_SHARING_VIOLATION;
  ::CloseHandle(file);
  return true;
}
}  // namespace

PlatFileInfo Plat_FileInfo(std::string_view systemPath) {
  PlatFileInfo info;
  const std::string path(systemPath);
  // No access rights asked for: the attributes and identity only, also of
  // a file another program holds.
  const HANDLE file = ::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return info;
    info.exists = true;
    info.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return info;
  }
  BY_HANDLE_FILE_INFORMATION data{};
  if (::GetFileInformationByHandle(file, &data)) {
    info.exists = true;
    info.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // The volume and the file's index on it: kept across renames.
    info.device = data.dwVolumeSerialNumber;
    info.inode = (static_cast<std::uint64_t>(data.nFileIndexHigh) << 32) | data.nFileIndexLow;
    info.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
  ::CloseHandle(file);
  return info;
}

bool Plat_WritableByMe(std::string_view systemPath) {
  // For a folder: the right to make files in it. A read-only file refuses
  // write access to everyone.
  return Allowed(systemPath, Plat_FileInfo(systemPath).isDirectory ? FILE_ADD_FILE : GENERIC_WRITE);
}

bool Plat_ReadableByMe(std::string_view systemPath) { return Allowed(systemPath, GENERIC_READ); }

namespace {
// One SID-holding piece of this process's token (TokenUser, TokenOwner);
// empty when it cannot be read.
std::vector<unsigned char> TokenPart(HANDLE token, TOKEN_INFORMATION_CLASS part) {
  DWORD size = 0;
  ::GetTokenInformation(token, part, nullptr, 0, &size);
  std::vector<unsigned char> buffer(size);
  if (size == 0 || !::GetTokenInformation(token, part, buffer.data(), size, &size)) buffer.clear();
  return buffer;
}
}  // namespace

bool Plat_OwnedByMe(std::string_view systemPath) {
  const std::string path(systemPath);
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                              nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  bool mine = false;
  HANDLE token = nullptr;
  if (owner && ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
    const std::vector<unsigned char> user = TokenPart(token, TokenUser);
    const std::vector<unsigned char> newOwner = TokenPart(token, TokenOwner);
    mine = (!user.empty() && ::EqualSid(owner, reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid)) ||
           (!newOwner.empty() && ::EqualSid(owner, reinterpret_cast<const TOKEN_OWNER*>(newOwner.data())->Owner));
    ::CloseHandle(token);
  }
  ::LocalFree(descriptor);
  return mine;
}
