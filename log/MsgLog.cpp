#include "log/MsgLog.h"

#include <cerrno>
#include <ctime>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "platform/FileNames.h"
#include "log/MsgLogTail.h"
#include "platform/LockedFile.h"
#include "platform/Sleep.h"

namespace {
constexpr int32_t kRotateLimit = 3000;
constexpr int kWaitAttempts = 90;  // 90 x 333 ms: about 30 s per entry
constexpr uint32_t kWaitMs = 333;
constexpr int32_t kAllKinds = DMSG | SMSG | FMSG | WMSG | CMSG;
constexpr std::string_view kCrLf = "\r\n";

struct State {
  int32_t kindMask = 0;
  std::string logName = "msg.dat";
  std::string oldName = "msg.old";
  int32_t rotateLimit = kRotateLimit;
  int32_t entryCount = 0;
  int waitAttempts = kWaitAttempts;
  uint32_t waitMs = kWaitMs;
  // An entry was dropped after waiting its whole budget on denied access.
  bool accessDenied = false;
  int waitsTaken = 0;  // every wait since process start, for the tests
};

State& Log() {
  static State state;
  return state;
}

// The waits one entry may spend on files held by other writers, shared by the
// rotation's delete and rename and the open: without a bound a lasting
// access error (a read-only file, a directory without rights) would stop the
// program for ever on its first entry.
class WaitBudget {
 public:
  explicit WaitBudget(State& log) : left_(log.waitAttempts), sleepMs_(log.waitMs), taken_(log.waitsTaken) {}

  // Sleeps once; false when the budget is spent.
  bool Wait() {
    if (left_ <= 0) return false;
    --left_;
    ++taken_;
    Plat_SleepMs(sleepMs_);
    return true;
  }

 private:
  int left_;
  uint32_t sleepMs_;
  int& taken_;
};

// Runs `operation` until it no longer asks for a wait or the budget is
// spent. Denied access is waited out only while `waitOnDenied` holds.
template <class Operation>
PlatFileResult WithWaits(WaitBudget& budget, bool waitOnDenied, Operation operation) {
  for (;;) {
    const PlatFileResult result = operation();
    if (!result.mustWait()) return result;
    if (result.kind == PlatFileClass::AccessDenied && !waitOnDenied) return result;
    if (!budget.Wait()) return result;
  }
}

// Access that stayed denied for a whole budget, at any step of an entry (the
// delete of the old generation, the rename, the open), is lasting: a
// read-only file or directory, which no other writer causes here. Later
// entries then try once and are dropped at once while it lasts, instead of
// each stopping the run for the whole wait again; the first entry written
// clears it.
void NoteDenied(State& log, const PlatFileResult& result) {
  if (result.kind == PlatFileClass::AccessDenied) log.accessDenied = true;
}

std::string RotationName(const std::string& name) {
  const std::size_t separator = name.find_last_of("\\/");
  const std::size_t fileStart = separator == std::string::npos ? 0 : separator + 1;
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot >= fileStart) return name.substr(0, dot) + ".old";
  return name + ".old";
}

const char* Text(const char* s) { return s ? s : ""; }

// Rows 1 to 8 of an entry. The kind line names every kind of the entry, also
// those the mask keeps out, so a reader sees what the caller meant.
std::string Header(const MessageEntry& entry, const std::tm& local) {
  char date[16] = "";
  char time[16] = "";
  std::strftime(date, sizeof date, "%d.%m.%y", &local);
  std::strftime(time, sizeof time, "%H:%M:%S", &local);

  static constexpr struct {
    int32_t bit;
    const char* text;
  } kKindTexts[] = {{DMSG, "DMSG "}, {SMSG, "SMSG "}, {FMSG, "FMSG "}, {WMSG, "WMSG "}, {CMSG, "CMSG "}};

  std::string header = "\xFE";
  header += kCrLf;
  header.append("System-Date: ").append(date).append(kCrLf);
  header.append("System-Time: ").append(time).append(kCrLf);
  header.append("MsgArt_____: ");
  for (const auto& kind : kKindTexts) {
    if (entry.kinds & kind.bit) header += kind.text;
  }
  header += kCrLf;
  header.append("Message____: ").append(Text(entry.message)).append(kCrLf);
  header.append("Funktion___: ").append(Text(entry.function)).append(kCrLf);
  header.append("ErrorCode__: ").append(std::to_string(entry.code)).append(kCrLf);
  return header;
}

// Cuts off an entry that a writer killed during its write left unfinished at
// the end of the file, so that the entry appended now starts on a line of its
// own and every entry in the file is whole. The killed writer would have
// taken the part back itself, had it lived. A tail that cannot be read is
// left as it is; the entry is still appended.
void TakeBackTornEntry(int handle) {
  std::string tail;
  std::uint64_t tailStart = 0;
  if (!Plat_LockedReadTail(handle, kMsgLogTailBytes, tail, tailStart).ok() || tail.empty()) return;
  const std::size_t torn = MsgLog_TornEntryStart(tail, tailStart == 0);
  if (torn != std::string::npos) Plat_LockedCutBack(handle, tailStart + torn);
}

// Moves the log to the old generation. False when the entry must be dropped.
bool Rotate(State& log, WaitBudget& budget) {
  // A missing old file is the usual outcome and fine; any other failure
  // shows again in the rename, which refuses to replace the old file. An old
  // file that stays read-only is lasting denial: noted here, since the rename
  // then fails with "exists", and later entries must not wait on it again.
  const bool waitOnDenied = !log.accessDenied;
  NoteDenied(log, WithWaits(budget, waitOnDenied, [&] { return Plat_DeleteFile(log.oldName); }));
  const PlatFileResult renamed =
      WithWaits(budget, waitOnDenied, [&] { return Plat_RenameNoReplace(log.logName, log.oldName); });
  // A log that someone else deleted or moved leaves nothing to rotate. Were
  // the entry dropped here, the count would stay above the limit and every
  // later entry of the run would be dropped the same way.
  const bool vanished = renamed.kind == PlatFileClass::OtherError && renamed.error == ENOENT;
  if (!renamed.ok() && !vanished) {
    NoteDenied(log, renamed);
    return false;
  }
  log.entryCount = 0;
  return true;
}
}  // namespace

void MsgLog_Setup(int32_t mask, const char* fileName) {
  State& log = Log();
  log.logName = fileName && *fileName ? fileName : "msg.dat";
  log.kindMask = mask;
  log.rotateLimit = kRotateLimit;
  log.oldName = RotationName(log.logName);
}

void MsgLog_Write(const MessageEntry& entry) {
  State& log = Log();
  const int32_t effective = entry.kinds & log.kindMask;
  if (effective <= 0) return;

  std::tm local{};
  Plat_LocalTime(Plat_Now(), local);

  // The whole entry goes to the file in one write, so a failure can be
  // undone completely and no reader ever sees half an entry.
  std::string text;
  if (effective & kAllKinds) text = Header(entry, local);
  if (effective & DMSG) {
    if (entry.data) text.append(static_cast<const char*>(entry.data), entry.dataLength);
    text += kCrLf;
  }
  if (effective & SMSG) {
    text += kCrLf;
    text += kCrLf;
  }

  WaitBudget budget(log);
  if (log.entryCount > log.rotateLimit && !Rotate(log, budget)) return;

  int handle = -1;
  const PlatFileResult opened =
      WithWaits(budget, !log.accessDenied, [&] { return Plat_LockedOpen(log.logName, handle); });
  NoteDenied(log, opened);
  if (!opened.ok()) return;
  log.accessDenied = false;
  TakeBackTornEntry(handle);
  const bool written = text.empty() || Plat_LockedAppend(handle, text.data(), text.size()).ok();
  const bool closed = Plat_LockedClose(handle).ok();
  if (written && closed) ++log.entryCount;
}

void MsgLog_Report(int32_t code, const char* function, const char* message, int32_t kinds) {
  MessageEntry entry;
  entry.code = code;
  entry.function = function;
  entry.message = message;
  entry.kinds = kinds;
  MsgLog_Write(entry);
}

int32_t MsgLog_AppendRaw(const char* fileName, const void* data, uint32_t length) {
  if (!fileName || (!data && length > 0)) return EINVAL;
  std::string block;
  if (data) block.assign(static_cast<const char*>(data), length);
  block += kCrLf;

  WaitBudget budget(Log());
  int handle = -1;
  const PlatFileResult opened = WithWaits(budget, true, [&] { return Plat_LockedOpen(fileName, handle); });
  if (!opened.ok()) return opened.error;
  const PlatFileResult written = Plat_LockedAppend(handle, block.data(), block.size());
  const PlatFileResult closed = Plat_LockedClose(handle);
  if (!written.ok()) return written.error;
  return closed.error;
}

void MsgLog_ResetForTest() { Log() = State{}; }

void MsgLog_SetWaitForTest(int attempts, uint32_t sleepMs) {
  Log().waitAttempts = attempts;
  Log().waitMs = sleepMs;
}

int32_t MsgLog_EntryCountForTest() { return Log().entryCount; }

int MsgLog_WaitCountForTest() { return Log().waitsTaken; }

void MsgLog_SetEntryCountForTest(int32_t count) { Log().entryCount = count; }
