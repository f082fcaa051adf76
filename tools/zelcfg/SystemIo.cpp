#include "tools/zelcfg/SystemIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// The terminal settings to give back if the user interrupts the prompt: a
// shell left without echo looks broken to whoever typed Ctrl-C.
termios gSavedTerminal;
volatile std::sig_atomic_t gEchoOff = 0;

extern "C" void RestoreEchoAndDie(int sig) {
  if (gEchoOff) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &gSavedTerminal);
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

void StripLineEnd(std::string& line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
}

std::string Failure(const std::string& what, const std::string& path, int err) {
  return what + " " + path + ": " + std::strerror(err);
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

bool ReadSecretLine(const char* prompt, std::string& line) {
  line.clear();
  if (!::isatty(STDIN_FILENO) || ::tcgetattr(STDIN_FILENO, &gSavedTerminal) != 0) {
    if (!std::getline(std::cin, line)) return false;
    StripLineEnd(line);
    return true;
  }
  std::cerr << prompt << std::flush;
  termios quiet = gSavedTerminal;
  quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
  quiet.c_lflag |= ECHONL;
  std::signal(SIGINT, RestoreEchoAndDie);
  std::signal(SIGTERM, RestoreEchoAndDie);
  std::signal(SIGHUP, RestoreEchoAndDie);
  gEchoOff = 1;
  ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  const bool got = static_cast<bool>(std::getline(std::cin, line));
  ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &gSavedTerminal);
  gEchoOff = 0;
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  std::signal(SIGHUP, SIG_DFL);
  if (!got) return false;
  StripLineEnd(line);
  return true;
}

std::string ReadWholeFile(const std::string& path, std::string& content) {
  content.clear();
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (st.type() == fs::file_type::not_found) return {};
  if (ec) return "cannot reach " + path + ": " + ec.message();
  if (st.type() != fs::file_type::regular) return path + " is not a regular file";
  std::ifstream in(path, std::ios::binary);
  if (!in) return Failure("cannot read", path, errno);
  std::ostringstream s;
  s << in.rdbuf();
  if (in.bad()) return Failure("cannot read", path, errno);
  content = s.str();
  return {};
}

std::string ReplaceFileAtomically(const std::string& path, std::string_view content) {
  const fs::path target(path);
  fs::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) return "cannot create directory " + dir.string() + ": " + ec.message();

  std::string temp = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return Failure("cannot create a file in", dir.string(), errno);

  // The password lies in this file: readable by its owner only, from the
  // first byte on.
  std::string failure;
  if (::fchmod(fd, S_IRUSR | S_IWUSR) != 0) {
    failure = Failure("cannot set the mode of", temp, errno);
  } else if (!WriteAll(fd, content)) {
    failure = Failure("cannot write", temp, errno);
  } else if (::fsync(fd) != 0) {
    failure = Failure("cannot flush", temp, errno);
  }
  if (::close(fd) != 0 && failure.empty()) failure = Failure("cannot close", temp, errno);
  if (failure.empty() && ::rename(temp.c_str(), path.c_str()) != 0) {
    failure = Failure("cannot replace", path, errno);
  }
  if (!failure.empty()) {
    ::unlink(temp.c_str());
    return failure;
  }

  // The rename itself is durable only once the directory is on disk.
  const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return {};
}
