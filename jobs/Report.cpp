#include "jobs/Report.h"

#include "log/MsgLog.h"

void ReportFailure(const char* function, const char* message, int32_t code) {
  MessageEntry entry;
  entry.function = function;
  entry.message = message;
  entry.kinds = FMSG;
  entry.code = code;
  MsgLog_Write(entry);
}
