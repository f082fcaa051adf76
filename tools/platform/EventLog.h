// One event in the system's event log for each run of zelrun, for
// administrators who watch that log (Event Viewer on Windows, and the
// monitoring agents that read it) rather than a terminal.
#pragma once

#include <string>

enum class PlatEventType { Information, Warning, Error };

// Windows: writes one event of the source "ZelWrkJob" into the Application
// log: event id 1, of `type`, with `text` as its only string (UTF-8, or the
// system's code page where it is not valid UTF-8). The installer registers
// the source, with zelrun.exe as the file of its message "%1"; where it is
// not registered Windows still keeps the event, with a note that the
// description was not found, before the text. POSIX: writes nothing (the
// service manager keeps zelrun's output in its journal).
// Returns what went wrong, empty when the event was written or none is.
std::string Plat_WriteEvent(PlatEventType type, const std::string& text);
