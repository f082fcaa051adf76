// The system's description of a Windows error code, for messages.
#pragma once

#include <windows.h>

#include <string>

// The text FormatMessage gives for `error` (without its line end), or
// "error N" when the system has none.
std::string PlatWin_ErrorText(DWORD error);
