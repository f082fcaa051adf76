#include "log/JobLog.h"

#include <string>

#include "platform/AppendFile.h"

JobLog::~JobLog() { Close(); }

bool JobLog::Open(std::string_view systemPath) {
  Close();
  fd_ = Plat_AppendOpen(systemPath);
  return IsOpen();
}

void JobLog::Write(std::string_view text) {
  if (!IsOpen()) return;
  std::string out;
  out.reserve(text.size() + 8);
  for (const char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  // One write per call: another run appending at the same moment cannot
  // split a line, and a failed write is ignored like the job log's others.
  Plat_AppendWrite(fd_, out.data(), out.size());
}

void JobLog::Close() {
  if (!IsOpen()) return;
  Plat_AppendClose(fd_);
  fd_ = -1;
}
