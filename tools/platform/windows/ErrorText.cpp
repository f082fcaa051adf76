#include "tools/platform/windows/ErrorText.h"

std::string PlatWin_ErrorText(DWORD error) {
  char buffer[512] = "";
  DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, buffer,
                             sizeof buffer, nullptr);
  while (n > 0 && (buffer[n - 1] == '\r' || buffer[n - 1] == '\n' || buffer[n - 1] == ' ' || buffer[n - 1] == '.')) {
    --n;
  }
  if (n == 0) return "error " + std::to_string(error);
  return std::string(buffer, n);
}
