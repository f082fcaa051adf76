#include "util/TornLine.h"

std::size_t TornLineStart(std::string_view tail, bool atFileStart) {
  if (tail.empty() || tail.back() == '\n') return std::string_view::npos;
  const std::size_t lineEnd = tail.rfind('\n');
  if (lineEnd != std::string_view::npos) return lineEnd + 1;
  return atFileStart ? 0 : std::string_view::npos;
}
