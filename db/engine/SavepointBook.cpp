#include "db/engine/SavepointBook.h"

namespace zeldb {

SavepointBook::Unwound SavepointBook::RolledBackTo(const std::string& name) {
  bool pendingBefore = true;
  while (!marks_.empty()) {
    const Mark mark = marks_.back();
    marks_.pop_back();
    if (mark.name == name) {
      pendingBefore = mark.pendingBefore;
      break;
    }
  }
  return {pendingBefore, !pendingBefore && marks_.empty()};
}

}  // namespace zeldb
