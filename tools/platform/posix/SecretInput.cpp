#include "tools/platform/SecretInput.h"

#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <iostream>

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

}  // namespace

bool Plat_ReadSecretLine(const char* prompt, std::string& line) {
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
