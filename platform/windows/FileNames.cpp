#include "platform/FileNames.h"

#include <windows.h>

#include <string>

#include "platform/FaultInjection.h"

PlatFileResult Plat_DeleteFile(std::string_view systemPath) {
  PlatFileResult injected;
  if (Plat_TakeFault(PlatFaultPoint::DeleteFile, injected)) return injected;

  const std::string path(systemPath);
  if (!::DeleteFileA(path.c_str())) return Plat_FileResultOf(static_cast<int>(::GetLastError()));
  return {};
}

PlatFileResult Plat_RenameNoReplace(std::string_view from, std::string_view to) {
  PlatFileResult injected;
  if (Plat_TakeFault(PlatFaultPoint::RenameNoReplace, injected)) return injected;

  // MoveFileA never replaces an existing target (ERROR_ALREADY_EXISTS), and
  // fails with a sharing violation while another process holds the file open.
  const std::string source(from);
  const std::string target(to);
  if (!::MoveFileA(source.c_str(), target.c_str())) return Plat_FileResultOf(static_cast<int>(::GetLastError()));
  return {};
}
