#include "tools/platform/SecretInput.h"

#include <windows.h>

#include <iostream>

namespace {

// The console mode to give back if the user interrupts the prompt: a console
// left without echo looks broken to whoever pressed Ctrl-C.
HANDLE gConsole = nullptr;
DWORD gSavedMode = 0;

BOOL WINAPI RestoreEcho(DWORD) {
  ::SetConsoleMode(gConsole, gSavedMode);
  return FALSE;  // the default handler then ends the process
}

void StripLineEnd(std::string& line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
}

}  // namespace

bool Plat_ReadSecretLine(const char* prompt, std::string& line) {
  line.clear();
  const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  // A pipe or a file: the line as it stands, no prompt.
  if (input == nullptr || input == INVALID_HANDLE_VALUE || !::GetConsoleMode(input, &mode)) {
    if (!std::getline(std::cin, line)) return false;
    StripLineEnd(line);
    return true;
  }
  std::cerr << prompt << std::flush;
  gConsole = input;
  gSavedMode = mode;
  ::SetConsoleCtrlHandler(RestoreEcho, TRUE);
  ::SetConsoleMode(input, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  const bool got = static_cast<bool>(std::getline(std::cin, line));
  ::SetConsoleMode(input, mode);
  ::SetConsoleCtrlHandler(RestoreEcho, FALSE);
  std::cerr << "\n" << std::flush;  // the Enter that ended the line was not echoed
  if (!got) return false;
  StripLineEnd(line);
  return true;
}
