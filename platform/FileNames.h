// Deleting and renaming files by their system path.
//
// Both report in the classes of FileResult.h, so that the message log can
// wait out a file held by another writer and give up on anything else.
#pragma once

#include <string_view>

#include "platform/FileResult.h"

// Deletes the file `systemPath`. OtherError with ENOENT when there is none.
PlatFileResult Plat_DeleteFile(std::string_view systemPath);

// Renames `from` to `to` and never replaces an existing `to`: then the result
// is OtherError with EEXIST and both files stay as they were. OtherError with
// ENOENT when `from` does not exist.
PlatFileResult Plat_RenameNoReplace(std::string_view from, std::string_view to);
