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
#include <ctime>
#include <string>

#include "platform/AppendFile.h"
#include "platform/Clock.h"

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

  int handle = Plat_AppendOpen(".\\Msg\\ZelDnlStd.Txt");
  if (handle < 0) handle = Plat_AppendOpen("ZelDnlStd.Txt");
  if (handle >= 0) {
    Plat_AppendWrite(handle, line.data(), line.size());
    Plat_AppendClose(handle);
  }
  return 0;
}
