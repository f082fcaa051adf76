#include "db/engine/RaisedStatus.h"

namespace zeldb {

int32_t Engine_RaisedStatus(std::string_view message) {
  const auto skipBlanks = [&message] {
    while (!message.empty() && message.front() == ' ') message.remove_prefix(1);
  };
  while (!message.empty() && message.front() == '[') {
    const size_t close = message.find(']');
    if (close == std::string_view::npos) return 0;
    message.remove_prefix(close + 1);
  }
  skipBlanks();
  for (const std::string_view severity : {"ERROR:", "FATAL:"}) {
    if (message.substr(0, severity.size()) == severity) {
      message.remove_prefix(severity.size());
      skipBlanks();
      break;
    }
  }
  if (message.substr(0, 4) != "ORA-") return 0;
  int32_t n = 0;
  for (size_t i = 4; i < message.size() && i < 4 + 9 && message[i] >= '0' && message[i] <= '9'; ++i)
    n = n * 10 + (message[i] - '0');
  return -n;
}

}  // namespace zeldb
