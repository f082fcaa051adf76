// Fuzz target: the configuration reader on a file of any content.
//
// The input is the whole configuration file. It is read the way dbConnect
// reads it (Ini_ReadLogin, from four directories above the working
// directory) and with lookups by group and number, and its lines are also
// parsed pair by pair from memory. The reader must never read or write
// outside its buffers, and must hand out at most 40 characters per login
// value, terminated.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "config/Ini.h"

namespace {

namespace fs = std::filesystem;

// A scratch tree whose working directory lies four levels below the
// directory that holds files/veldoran.ini, as in an installation.
fs::path SetUp() {
  // Below ZEL_FUZZ_SCRATCH when given (scripts/fuzz removes it afterwards).
  const char* scratch = std::getenv("ZEL_FUZZ_SCRATCH");
  std::string pattern = std::string(scratch && *scratch ? scratch : "/tmp") + "/zelfuzz-ini-XXXXXX";
  const char* made = ::mkdtemp(pattern.data());
  if (!made) std::abort();
  static const fs::path root = made;
  fs::create_directories(root / "files");
  fs::create_directories(root / "a" / "b" / "c" / "d");
  fs::current_path(root / "a" / "b" / "c" / "d");
  return root / "files" / "veldoran.ini";
}

void CheckLoginBuffer(const char* buffer) {
  // Ini_ReadLogin promises at most 40 characters and a terminator.
  if (::strnlen(buffer, kIniLoginWidth) >= kIniLoginWidth) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fs::path file = SetUp();
  const std::string content(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << content;
  }

  // Guard bytes after each buffer show a write past its 41 places.
  char user[kIniLoginWidth + 8], password[kIniLoginWidth + 8], service[kIniLoginWidth + 8];
  std::memset(user, 'G', sizeof user);
  std::memset(password, 'G', sizeof password);
  std::memset(service, 'G', sizeof service);
  Ini_ReadLogin(user, password, service);
  for (const char* b : {user, password, service}) {
    CheckLoginBuffer(b);
    for (size_t i = kIniLoginWidth; i < kIniLoginWidth + 8; ++i)
      if (b[i] != 'G') std::abort();
  }

  Ini_ReadEntry("DB", "", 0, file.c_str());
  Ini_ReadEntry("", "", 2, file.c_str());
  Ini_ReadEntry(nullptr, "NET8", -1, file.c_str());
  // IniEntry's texts hold at most 200 characters (of up to four bytes).
  for (const auto* t : {&IniEntry.group, &IniEntry.key, &IniEntry.value})
    if (Utf8Prefix(t->view(), kIniFieldWidth - 1, t->bytes() - 1) != t->size()) std::abort();

  std::istringstream in(content);
  IniLine a, b;
  while (true) {
    Ini_ReadLine(in, a);
    if (!Ini_ReadLine(in, b)) break;
    const IniPair pair = Ini_ParsePair(a, b);
    Ini_PairMatches(pair, pair.group, pair.key, pair.number);
  }
  return 0;
}
