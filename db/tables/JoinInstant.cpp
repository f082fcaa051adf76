#include "db/tables/JoinInstant.h"

#include <string>

namespace zeldb {

FixedText<15> JoinInstant(const FixedText<9>& day, const FixedText<7>& time) {
  FixedText<15> instant{};
  if (day.empty())
    instant = time.view();
  else
    instant = day.str() + (time.empty() ? std::string("000000") : time.str());
  return instant;
}

}  // namespace zeldb
