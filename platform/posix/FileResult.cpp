#include "platform/FileResult.h"

#include <cerrno>

PlatFileResult Plat_FileResultOf(int error) {
  switch (error) {
    case 0:
      return {PlatFileClass::Ok, 0};
    // flock() of a file another writer holds, and the busy-file errors that
    // pass once the other side lets go.
    case EWOULDBLOCK:
#if EAGAIN != EWOULDBLOCK
    case EAGAIN:
#endif
    case EBUSY:
    case ETXTBSY:
      return {PlatFileClass::SharingConflict, error};
    case EACCES:
    case EPERM:
      return {PlatFileClass::AccessDenied, error};
    default:
      return {PlatFileClass::OtherError, error};
  }
}
