// The Oracle number that a failure's message raises, on every engine.
//
// A site's own rules raise Oracle's numbers ("ORA-20001: refused"), as
// RAISE_APPLICATION_ERROR does, and the engines' own SQL functions report
// theirs the same way: such a failure keeps its number. Only a message that
// begins with the number raises it; one that merely quotes "ORA-n" (a value
// in a conversion error, a cancel's wording after the driver's own status)
// does not. The drivers' bracketed names in front ("[Oracle][ODBC][Ora]") and
// the server's severity that PostgreSQL's ODBC driver puts before its message
// ("ERROR: ") are not the message.
#pragma once

#include <cstdint>
#include <string_view>

namespace zeldb {

// -n when `message` begins with "ORA-n" (n > 0), else 0.
int32_t Engine_RaisedStatus(std::string_view message);

}  // namespace zeldb
