// Reading the configuration file whole. (Reading the password and replacing
// the file are the operating system's: tools/platform/SecretInput.h,
// tools/platform/ReplaceFile.h.)
#pragma once

#include <string>

// Reads the whole file at `path` (native form) into `content`. A file that
// does not exist counts as empty when `missingIsEmpty`, else it is a failure.
// Returns an empty text on success, else a short description of the failure
// that names the file by its absolute path.
std::string ReadWholeFile(const std::string& path, std::string& content, bool missingIsEmpty);
