// Outcome of a file operation, in the classes the message log acts on.
//
// The message log waits out a file that another writer holds and drops an
// entry on any lasting failure. The platform functions therefore report every
// failure in one of three classes, with the operating system's error number
// kept for callers that pass it on (MsgLog_AppendRaw returns it).
#pragma once

enum class PlatFileClass {
  Ok,               // done
  SharingConflict,  // another writer holds the file: wait and try again
  AccessDenied,     // no permission (may pass, may last): wait and try again
  OtherError,       // anything else: give up
};

struct PlatFileResult {
  PlatFileClass kind = PlatFileClass::Ok;
  // The system error number: errno on POSIX, GetLastError's code on Windows,
  // where a missing file is ENOENT and an existing target EEXIST as on POSIX
  // (FileNames.h). 0 when Ok.
  int error = 0;

  bool ok() const { return kind == PlatFileClass::Ok; }
  // Sharing conflicts and denied access are the two classes worth a retry.
  bool mustWait() const { return kind == PlatFileClass::SharingConflict || kind == PlatFileClass::AccessDenied; }
};

// Sorts a system error number (errno; on Windows GetLastError's) into its
// class (0 gives Ok).
PlatFileResult Plat_FileResultOf(int error);
