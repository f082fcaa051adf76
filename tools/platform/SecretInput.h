// Reading a secret (a password, a text to encipher) from standard input.
#pragma once

#include <string>

// Reads one line from standard input into `line`, without its line end (LF
// or CR LF). When standard input is a terminal (a console on Windows),
// `prompt` goes to standard error first and the typed characters are not
// echoed; an interrupt (Ctrl-C) gives the terminal its echo back. Returns
// false when standard input holds no line at all.
bool Plat_ReadSecretLine(const char* prompt, std::string& line);
