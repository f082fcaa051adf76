// A PostgreSQL connection string as messages may show it.
#pragma once

#include <string>

namespace zeldb {

// `conninfo` (a URI "postgresql://..." or key=value pairs) without any
// password in it, for messages that name the database they mean: the
// password of a URI's user part ("user:secret@") and "password" parameters
// (key=value pairs, URI query) are left out; the rest stands as given.
std::string Pg_ShownConnectString(const std::string& conninfo);

}  // namespace zeldb
