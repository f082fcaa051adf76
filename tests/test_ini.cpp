// The configuration file reader: field rules, matching, the mended cases
// (long lines, last line without line end, lookups with group "" and number
// 0), and the login as dbConnect reads it.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "config/Idea.h"
#include "config/Ini.h"

namespace {

namespace fs = std::filesystem;

std::string E(const std::string& plain) { return Idea_Encipher(plain, "QUARVEL", 0); }

std::string WithCrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

struct Lookup {
  std::string group;
  std::string key;
  int32_t number;
};

struct Expect {
  int32_t number;
  std::string group;
  std::string key;
  std::optional<std::string> value;  // not looked at when absent
};

const Expect kNotFound{0, "", "", ""};

struct Scenario {
  const char* name;
  std::string file;
  Lookup lookup;
  Expect expect;
};

const std::string kLogin = ";DB;\n1;LOGIN;" + E("zel") + "\n";

std::vector<Scenario> Scenarios() {
  return {
      {"well-formed pairs",
       kLogin + ";DB;\n2;PASS;" + E("secret") + "\n;DB;\n3;NET8;" + E("demo.db") + "\n",
       {"", "PASS", 0},
       {2, "DB", "PASS", "secret"}},
      {"';;' group is the rest of line A with its line end",
       "x;;Gruppe;y\n1;LOGIN;" + E("zel") + "\n",
       {"", "LOGIN", 0},
       {1, ";Gruppe;y\n", "LOGIN", "zel"}},
      {"line B beginning with ';' has the number 0",
       ";DB;\n;LOGIN;" + E("zel") + "\n",
       {"", "LOGIN", 0},
       {0, "DB", "LOGIN", "zel"}},
      {"line B with one ';': no key, value after it",
       ";DB;\n7;" + E("zel") + "\n",
       {"", "NONE", 7},
       {7, "DB", "", "zel"}},
      {"value that is only the line end deciphers empty, and wins",
       ";DB;\n1;LOGIN;\n" + kLogin,
       {"", "LOGIN", 0},
       {1, "DB", "LOGIN", ""}},
      {"first matching pair wins",
       ";DB;\n5;LOGIN;" + E("first") + "\n;DB;\n6;LOGIN;" + E("second") + "\n",
       {"", "LOGIN", 0},
       {5, "DB", "LOGIN", "first"}},
      {"keys are compared case-sensitively",
       ";DB;\n1;login;" + E("small") + "\n;DB;\n2;LOGIN;" + E("large") + "\n",
       {"", "LOGIN", 0},
       {2, "DB", "LOGIN", "large"}},
      {"';;' key is the rest of line B and matches no plain key",
       ";DB;\n1;;LOGIN\n;DB;\n2;LOGIN;" + E("zel") + "\n",
       {"", "LOGIN", 0},
       {2, "DB", "LOGIN", "zel"}},
      {"a given group still matches",
       kLogin + ";Other;\n5;X;" + E("other") + "\n",
       {"Other", "NONE", 0},
       {5, "Other", "X", "other"}},
      {"a given number still matches",
       kLogin + ";Other;\n5;X;" + E("other") + "\n",
       {"", "NONE", 5},
       {5, "Other", "X", "other"}},
      {"number with blanks, sign and trailing text", ";DB;\n  -12abc;K;\n", {"", "K", 0}, {-12, "DB", "K", ""}},
      {"number beyond 32 bits is held to the range", ";DB;\n99999999999;K;\n", {"", "K", 0},
       {2147483647, "DB", "K", ""}},
      {"number without digits is 0", ";DB;\nabc;K;\n", {"", "K", 0}, {0, "DB", "K", ""}},
      {"line B without ';' answers no key lookup",
       ";DB;\nplain text line\n" + kLogin,
       {"", "LOGIN", 0},
       {1, "DB", "LOGIN", "zel"}},
      {"line B without ';' has number 0 and no key",
       ";G;\nplain text line\n" + kLogin,
       {"G", "", 0},
       {0, "G", "", std::nullopt}},
      // Mended: group "" and number 0 are not given.
      {"empty group and number 0 no longer answer every key",
       "nogroup\n0;OTHER;" + E("wrong") + "\n" + kLogin,
       {"", "LOGIN", 0},
       {1, "DB", "LOGIN", "zel"}},
      {"a lookup that gives nothing matches nothing", "nogroup\n0;;\n" + kLogin, {"", "", 0}, kNotFound},
      // Mended: lines are read whole.
      {"long line A does not shift the pairing",
       std::string(500, '#') + ";DB;\n1;LOGIN;" + E("zel") + "\n;DB;\n3;NET8;" + E("demo.db") + "\n",
       {"", "NET8", 0},
       {3, "DB", "NET8", "demo.db"}},
      {"long line B keeps its value",
       ";DB;\n1;LOGIN;" + E(std::string(100, 'v')) + "\n",
       {"", "LOGIN", 0},
       {1, "DB", "LOGIN", std::string(100, 'v')}},
      // Mended: the last line keeps its value without a line end.
      {"last line without line end", kLogin + ";DB;\n3;NET8;" + E("demo.db"), {"", "NET8", 0},
       {3, "DB", "NET8", "demo.db"}},
      {"odd last line is never used", kLogin + "9;PASS;" + E("x") + "\n", {"", "PASS", 0}, kNotFound},
      {"single line", "1;LOGIN;" + E("zel") + "\n", {"", "LOGIN", 0}, kNotFound},
      {"empty file", "", {"", "LOGIN", 0}, kNotFound},
      {"key not present", kLogin, {"", "NET8", 0}, kNotFound},
      // Corrupted and oversized fields.
      {"corrupted value deciphers without harm", ";DB;\n1;LOGIN;99999abcde12x\n", {"", "LOGIN", 0},
       {1, "DB", "LOGIN", std::nullopt}},
      {"plain value over 200 characters is cut", ";DB;\n1;LOGIN;" + E(std::string(250, 'v')) + "\n",
       {"", "LOGIN", 0}, {1, "DB", "LOGIN", std::string(200, 'v')}},
      {"group over 200 characters is cut but matched whole",
       ";" + std::string(300, 'g') + ";\n1;LOGIN;" + E("zel") + "\n",
       {std::string(300, 'g'), "NONE", 0},
       {1, std::string(200, 'g'), "LOGIN", "zel"}},
  };
}

TEST(IniReader, FieldRulesWithLfAndCrLf) {
  zeltest::TempDir dir;
  const fs::path file = dir / "veldoran.ini";
  for (const Scenario& s : Scenarios()) {
    for (bool crlf : {false, true}) {
      SCOPED_TRACE(std::string(s.name) + (crlf ? " (CR LF)" : " (LF)"));
      zeltest::WriteFile(file, crlf ? WithCrLf(s.file) : s.file);
      Ini_ReadEntry(s.lookup.group.c_str(), s.lookup.key.c_str(), s.lookup.number, file.c_str());
      EXPECT_EQ(IniEntry.number, s.expect.number);
      EXPECT_EQ(IniEntry.group.str(), s.expect.group);
      EXPECT_EQ(IniEntry.key.str(), s.expect.key);
      if (s.expect.value) {
        EXPECT_EQ(IniEntry.value.str(), *s.expect.value);
      }
    }
  }
}

TEST(IniReader, MissingFileResetsTheEntry) {
  zeltest::TempDir dir;
  zeltest::WriteFile(dir / "veldoran.ini", kLogin);
  Ini_ReadEntry("", "LOGIN", 0, (dir / "veldoran.ini").c_str());
  ASSERT_EQ(IniEntry.value.str(), "zel");
  Ini_ReadEntry("", "LOGIN", 0, (dir / "missing.ini").c_str());
  EXPECT_EQ(IniEntry.number, 0);
  EXPECT_TRUE(IniEntry.group.empty() && IniEntry.key.empty() && IniEntry.value.empty());
  Ini_ReadEntry(nullptr, nullptr, 0, nullptr);
  EXPECT_TRUE(IniEntry.key.empty());
}

// Runs Ini_ReadLogin four levels below `root`, where it looks for
// root/files/veldoran.ini, into buffers of exactly kIniLoginWidth bytes.
std::vector<std::string> ReadLoginBelow(const fs::path& root) {
  const fs::path work = root / "a" / "b" / "c" / "d";
  fs::create_directories(work);
  const fs::path before = fs::current_path();
  fs::current_path(work);
  std::vector<char> user(kIniLoginWidth, 'x'), password(kIniLoginWidth, 'x'), service(kIniLoginWidth, 'x');
  Ini_ReadLogin(user.data(), password.data(), service.data());
  fs::current_path(before);
  return {user.data(), password.data(), service.data()};
}

TEST(IniReader, ReadLoginFromTheSystemPath) {
  zeltest::TempDir dir;
  const std::string login(45, 'L');
  zeltest::WriteFile(dir / "files" / "veldoran.ini",
                     WithCrLf(";DB;\n1;LOGIN;" + E(login) + "\n;DB;\n3;NET8;" + E("demo.db") + "\n"));
  // The user name is cut to 40 characters, a missing PASS arrives empty.
  EXPECT_EQ(ReadLoginBelow(dir.path()), (std::vector<std::string>{login.substr(0, 40), "", "demo.db"}));
}

TEST(IniReader, ReadLoginWithoutFileGivesEmptyValues) {
  zeltest::TempDir dir;
  EXPECT_EQ(ReadLoginBelow(dir.path()), (std::vector<std::string>{"", "", ""}));
}

}  // namespace
