// zeldnlstd: stand-in for the system's download program ZELDNLSTD.EXE.
//
// The real download program is a separate program of the system; this one
// only records that it was started, so that a run of zelwrkjob can be checked
// end to end. Each start appends one CR LF line to ".\Msg\ZelDnlStd.Txt"
// below its working directory:
//   Datum: dd.mm.yyyy  Uhrzeit: hh:mm:ss  Parameter: <arguments joined by one blank>
// When that file cannot be opened (usually because there is no ".\Msg"), the
// line goes to "ZelDnlStd.Txt" in the working directory instead. Installed as
// "ZELDNLSTD.EXE" into the working directory of zelwrkjob. Always exits 0.
//
// The real program runs on for a while after the job has ended. While
// ".\Msg\ZelDnlStd.hold" exists (at most a minute), this one does too, and
// then appends a second line "Ende": a test sees that it was not killed on
// the way.
#include <ctime>
#include <filesystem>
#include <string>

#include "platform/AppendFile.h"
#include "platform/Clock.h"
#include "platform/Path.h"
#include "platform/Sleep.h"

namespace {
void Append(const std::string& line) {
  int handle = Plat_AppendOpen(".\\Msg\\ZelDnlStd.Txt");
  if (handle < 0) handle = Plat_AppendOpen("ZelDnlStd.Txt");
  if (handle >= 0) {
    Plat_AppendWrite(handle, line.data(), line.size());
    Plat_AppendClose(handle);
  }
}
}  // namespace

int main(int argc, char** argv) {
  std::tm local{};
  Plat_LocalTime(Plat_Now(), local);
  char stamp[64] = "";
  std::strftime(stamp, sizeof stamp, "Datum: %d.%m.%Y  Uhrzeit: %H:%M:%S", &local);

  std::string line = stamp;
  line += "  Parameter: ";
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i];
  }
  line += "\r\n";

  Append(line);

  std::error_code ec;
  const std::filesystem::path hold = Plat_NativePath(".\\Msg\\ZelDnlStd.hold");
  if (!std::filesystem::exists(hold, ec)) return 0;
  for (int i = 0; i < 600 && std::filesystem::exists(hold, ec); ++i) Plat_SleepMs(100);
  Append("Ende\r\n");
  return 0;
}
