#include "tools/platform/EventLog.h"

#include <windows.h>

#include "tools/platform/windows/ErrorText.h"

namespace {

// The text for the wide-character call: the tools' texts from the logs and
// the database are UTF-8; paths may come in the system's code page.
std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  UINT codePage = CP_UTF8;
  int n = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (n == 0) {
    codePage = CP_ACP;
    n = ::MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  }
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), n);
  return wide;
}

WORD EventType(PlatEventType type) {
  switch (type) {
    case PlatEventType::Warning:
      return EVENTLOG_WARNING_TYPE;
    case PlatEventType::Error:
      return EVENTLOG_ERROR_TYPE;
    case PlatEventType::Information:
      break;
  }
  return EVENTLOG_INFORMATION_TYPE;
}

}  // namespace

std::string Plat_WriteEvent(PlatEventType type, const std::string& text) {
  // Message 1 of zelrun.exe's message table is "%1": the event shows the text.
  constexpr DWORD kEventId = 1;
  const HANDLE source = ::RegisterEventSourceW(nullptr, L"ZelWrkJob");
  if (source == nullptr) return PlatWin_ErrorText(::GetLastError());
  const std::wstring wide = Wide(text);
  LPCWSTR strings[] = {wide.c_str()};
  const bool written = ::ReportEventW(source, EventType(type), 0, kEventId, nullptr, 1, 0, strings, nullptr) != 0;
  const DWORD error = ::GetLastError();
  ::DeregisterEventSource(source);
  return written ? std::string() : PlatWin_ErrorText(error);
}
