#include "platform/FileResult.h"

#include <windows.h>

#include <cerrno>

PlatFileResult Plat_FileResultOf(int error) {
  switch (error) {
    case ERROR_SUCCESS:
      return {PlatFileClass::Ok, 0};
    // A file that another process opened without sharing it with us, or whose
    // range it locked: passes once the other side closes it.
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_SHARING_BUFFER_EXCEEDED:
      return {PlatFileClass::SharingConflict, error};
    // Also what Windows answers for a file that is being deleted while
    // another handle is still open on it.
    case ERROR_ACCESS_DENIED:
      return {PlatFileClass::AccessDenied, error};
    // The two outcomes callers test for, in the numbers FileNames.h names.
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return {PlatFileClass::OtherError, ENOENT};
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return {PlatFileClass::OtherError, EEXIST};
    default:
      return {PlatFileClass::OtherError, error};
  }
}
