// zelcfg: enciphers and deciphers configuration values and writes the
// database login (LOGIN, PASS, NET8) into the configuration file that
// zelwrkjob reads. For the people who install the system; see --help and
// docs/CONFIG.md.
//
// Exit codes: 0 done, 1 I/O failure, missing file or key not found, 2 usage
// error; every failure is one line on standard error, naming the file by
// its absolute path.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "config/Idea.h"
#include "config/Ini.h"
#include "platform/Path.h"
#include "tools/platform/Grant.h"
#include "tools/platform/ReplaceFile.h"
#include "tools/platform/SecretInput.h"
#include "tools/platform/ShownPath.h"
#include "tools/zelcfg/ConfigFile.h"
#include "tools/zelcfg/SystemIo.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitIo = 1;
constexpr int kExitUsage = 2;
// The reader hands out at most this many characters of a value.
constexpr std::size_t kMaxValue = kIniLoginWidth - 1;

constexpr const char* kUsage = R"(usage: zelcfg <command> [options]

Enciphers and deciphers configuration values, and writes the database login
(LOGIN, PASS, NET8) into the configuration file that zelwrkjob reads.

commands:
  set [--file PATH] [--create] [--grant ACCOUNT] [--login USER] [--net8 SERVICE]
      [--keep-pass]
      Stores LOGIN and NET8 as given and PASS as read from standard input
      (one line), or asked for without echo when standard input is a
      terminal. The password is never taken from the command line.
      --keep-pass leaves PASS as it is and reads nothing. A record that
      exists is updated in place, a missing one is appended; every other
      line of the file stays as it was. The file is replaced atomically and
      keeps its owner and mode. A file that does not exist is an error
      unless --create is given: then it is made (with its directories),
      with mode 0600. Values hold at most 40 characters.
      --grant ACCOUNT makes the file, new or not, readable by ACCOUNT, the
      account that runs the job, besides the account that runs zelcfg, and
      by nobody else.
  get [--file PATH] KEY
      Prints the deciphered value of KEY (for example LOGIN or NET8).
  encipher [--form 0|1] [--key KEY]
      Reads one line of plain text from standard input (without echo on a
      terminal) and prints its stored form.
  decipher [--form 0|1] [--key KEY] [STORED]
      Prints the plain text of STORED, or of one line of standard input.

options:
  --file PATH   configuration file; default ..\..\..\..\files\veldoran.ini
                relative to the working directory (a backslash counts as /)
  --create      set: make the file when it does not exist
  --grant ACCOUNT
                set: the account that runs the job, which may then read the
                file. Windows: DOMAIN\name (or a local account or group);
                the file's access list is full access for the account that
                runs zelcfg, read for ACCOUNT, nothing inherited. Linux:
                group:NAME gives the file to that group, mode 0640 (zelcfg's
                account must be a member); user:NAME or NAME makes that user
                the owner, mode 0600 (as root only)
  --form 0|1    0 digits (default; the form of the file), 1 letters
  --key KEY     cipher key, up to 8 characters; default QUARVEL
  --help        this text

Every message names the file by its absolute path.

exit codes: 0 done, 1 I/O failure, missing file or key not found, 2 usage error

example:
  printf 'secret\n' | zelcfg set --create --file files/veldoran.ini --login zel --net8 demo.db
)";

int Fail(int code, const std::string& message) {
  std::cerr << "zelcfg: " << message << "\n";
  return code;
}

struct UsageError {
  std::string message;
};

// Options of one command: those with a value, and the flags.
struct CommandOptions {
  std::vector<std::string> valued;
  std::vector<std::string> flags;
  std::size_t maxPositional = 0;
};

struct Parsed {
  std::map<std::string, std::string> values;
  std::map<std::string, bool> flags;
  std::vector<std::string> positional;
  bool help = false;
};

bool Contains(const std::vector<std::string>& list, const std::string& s) {
  for (const auto& x : list) {
    if (x == s) return true;
  }
  return false;
}

bool IsPasswordOption(const std::string& name) {
  return name == "--pass" || name == "--password" || name == "--passwd" || name == "--pw" || name == "-p";
}

std::optional<UsageError> ParseOptions(const std::vector<std::string>& args, const CommandOptions& accepted, Parsed& out) {
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (optionsEnded || arg.empty() || arg[0] != '-') {
      if (out.positional.size() >= accepted.maxPositional) return UsageError{"unexpected argument '" + arg + "'"};
      out.positional.push_back(arg);
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      out.help = true;
      continue;
    }
    const std::size_t eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    if (IsPasswordOption(name)) {
      // A password on the command line is visible to every user of the
      // machine (process list) and lands in shell histories.
      return UsageError{"the password is not taken from the command line; give it on standard input"};
    }
    if (Contains(accepted.flags, name) && eq == std::string::npos) {
      out.flags[name] = true;
      continue;
    }
    if (!Contains(accepted.valued, name)) return UsageError{"unknown option '" + name + "'"};
    if (eq != std::string::npos) {
      out.values[name] = arg.substr(eq + 1);
    } else if (i + 1 < args.size()) {
      out.values[name] = args[++i];
    } else {
      return UsageError{"option " + name + " needs a value"};
    }
  }
  return std::nullopt;
}

std::optional<UsageError> FormOf(const Parsed& p, unsigned char& form) {
  const auto it = p.values.find("--form");
  if (it == p.values.end() || it->second == "0") {
    form = kIdeaFormDigits;
  } else if (it->second == "1") {
    form = kIdeaFormLetters;
  } else {
    return UsageError{"--form takes 0 or 1"};
  }
  return std::nullopt;
}

std::string KeyOf(const Parsed& p) {
  const auto it = p.values.find("--key");
  return it == p.values.end() ? std::string(kIniCipherKey) : it->second;
}

std::string FileOf(const Parsed& p) {
  const auto it = p.values.find("--file");
  return Plat_NativePath(it == p.values.end() ? std::string(kIniFileName) : it->second);
}

// A value the reader can give back whole: a NUL would end it early, more
// than 40 characters would be cut.
std::optional<UsageError> CheckValue(const std::string& what, const std::string& value) {
  if (value.find('\0') != std::string::npos) return UsageError{what + " holds a NUL character"};
  if (value.size() > kMaxValue) return UsageError{what + " is longer than 40 characters"};
  return std::nullopt;
}

int CmdEncipher(const Parsed& p) {
  unsigned char form = 0;
  if (auto e = FormOf(p, form)) return Fail(kExitUsage, e->message);
  if (!p.positional.empty()) {
    return Fail(kExitUsage, "encipher reads the plain text from standard input, not from the command line");
  }
  std::string plain;
  if (!Plat_ReadSecretLine("Plain text: ", plain)) return Fail(kExitUsage, "no plain text on standard input");
  if (plain.find('\0') != std::string::npos) return Fail(kExitUsage, "the plain text holds a NUL character");
  std::cout << Idea_Encipher(plain, KeyOf(p), form) << "\n";
  return std::cout.flush() ? kExitOk : Fail(kExitIo, "cannot write standard output");
}

int CmdDecipher(const Parsed& p) {
  unsigned char form = 0;
  if (auto e = FormOf(p, form)) return Fail(kExitUsage, e->message);
  std::string stored;
  if (!p.positional.empty()) {
    stored = p.positional[0];
  } else if (!std::getline(std::cin, stored)) {
    return Fail(kExitUsage, "no stored text given");
  } else if (!stored.empty() && stored.back() == '\r') {
    stored.pop_back();
  }
  std::cout << Idea_Decipher(stored, KeyOf(p), form) << "\n";
  return std::cout.flush() ? kExitOk : Fail(kExitIo, "cannot write standard output");
}

int CmdGet(const Parsed& p) {
  if (p.positional.size() != 1 || p.positional[0].empty()) return Fail(kExitUsage, "get needs one KEY");
  const std::string file = FileOf(p);
  std::string content;
  if (std::string err = ReadWholeFile(file, content, false); !err.empty()) return Fail(kExitIo, err);
  const std::string& key = p.positional[0];
  Ini_ReadEntry("", key.c_str(), 0, file.c_str());
  if (IniEntry.key.view() != key) return Fail(kExitIo, key + " not found in " + Plat_ShownPath(file));
  std::cout << IniEntry.value.view() << "\n";
  return std::cout.flush() ? kExitOk : Fail(kExitIo, "cannot write standard output");
}

int CmdSet(const Parsed& p) {
  std::vector<LoginValue> values;
  if (auto it = p.values.find("--login"); it != p.values.end()) {
    if (auto e = CheckValue("the login", it->second)) return Fail(kExitUsage, e->message);
    values.push_back({"LOGIN", it->second});
  }
  const bool readPassword = !p.flags.count("--keep-pass");
  std::string net8;
  const bool setNet8 = p.values.count("--net8") != 0;
  if (setNet8) {
    net8 = p.values.at("--net8");
    if (auto e = CheckValue("the service name", net8)) return Fail(kExitUsage, e->message);
  }
  if (values.empty() && !readPassword && !setNet8) {
    return Fail(kExitUsage, "nothing to set: give --login, --net8, or leave out --keep-pass");
  }
  // The account is looked up before anything is read or made.
  PlatGrant grant;
  const bool granted = p.values.count("--grant") != 0;
  if (granted) {
    if (std::string err = Plat_ResolveGrant(p.values.at("--grant"), PlatGrantRights::Read, grant); !err.empty()) {
      return Fail(kExitUsage, "--grant: " + err);
    }
  }

  // The file is looked at before the password is asked for: run in the
  // wrong directory, set would otherwise make a second file beside the one
  // zelwrkjob reads, and nobody would notice.
  const std::string file = FileOf(p);
  const bool create = p.flags.count("--create") != 0;
  std::string content;
  if (std::string err = ReadWholeFile(file, content, create); !err.empty()) {
    std::error_code ec;
    if (!create && !std::filesystem::exists(file, ec) && !ec) err += " (set --create makes a new one)";
    return Fail(kExitIo, err);
  }
  if (readPassword) {
    std::string password;
    if (!Plat_ReadSecretLine("Password: ", password)) return Fail(kExitUsage, "no password on standard input");
    if (auto e = CheckValue("the password", password)) return Fail(kExitUsage, e->message);
    values.push_back({"PASS", password});
  }
  if (setNet8) values.push_back({"NET8", net8});

  if (std::string err = Plat_ReplaceFileAtomically(file, UpdateLoginRecords(content, values),
                                                   PlatNewFileAccess::OwnerOnly, granted ? &grant : nullptr);
      !err.empty()) {
    return Fail(kExitIo, err);
  }
  std::string keys;
  for (const auto& v : values) keys += (keys.empty() ? "" : " ") + v.key;
  std::cout << "zelcfg: " << keys << " written to " << Plat_ShownPath(file)
            << (granted ? ", readable by " + grant.name : std::string()) << "\n";
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Fail(kExitUsage, "no command given (see zelcfg --help)");
  const std::string command = args[0];
  args.erase(args.begin());
  if (command == "--help" || command == "-h" || command == "help") {
    std::cout << kUsage;
    return kExitOk;
  }

  CommandOptions accepted;
  int (*run)(const Parsed&) = nullptr;
  if (command == "set") {
    accepted = {{"--file", "--grant", "--login", "--net8"}, {"--keep-pass", "--create"}, 0};
    run = CmdSet;
  } else if (command == "get") {
    accepted = {{"--file"}, {}, 1};
    run = CmdGet;
  } else if (command == "encipher") {
    // One positional place, only to refuse it with a clear message.
    accepted = {{"--form", "--key"}, {}, 1};
    run = CmdEncipher;
  } else if (command == "decipher") {
    accepted = {{"--form", "--key"}, {}, 1};
    run = CmdDecipher;
  } else {
    return Fail(kExitUsage, "unknown command '" + command + "' (see zelcfg --help)");
  }

  Parsed parsed;
  if (auto e = ParseOptions(args, accepted, parsed)) return Fail(kExitUsage, e->message);
  if (parsed.help) {
    std::cout << kUsage;
    return kExitOk;
  }
  return run(parsed);
}
