// Rewriting the login records of a configuration file's text.
//
// The text is split and paired exactly as the reader pairs it (config/Ini.h),
// so the record the tool updates is the record the reader answers with. Only
// the line B of an updated record changes; every other line keeps its bytes
// and its line end. Records that do not exist are added as
//   ";DB;"                      line A, group "DB"
//   "<number>;<KEY>;<digits>"   line B, LOGIN 1, PASS 2, NET8 3
// with the line end the file already uses (CR LF for a new file), before an
// unpaired last line if there is one, so that line stays unpaired and every
// pair keeps its partner.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct LoginValue {
  std::string key;    // "LOGIN", "PASS" or "NET8"
  std::string plain;  // value to store, enciphered on the way
};

// The text of the file with each value of `values` stored; returns the new
// text. Never fails: any text, even an empty or binary one, can be updated.
std::string UpdateLoginRecords(std::string_view content, const std::vector<LoginValue>& values);
