// A PostgreSQL connection string: how NET8 is told apart from a SQLite file,
// and how messages may show it. Text alone, no client library: a build
// without the PostgreSQL engine still recognises the string to refuse it.
#pragma once

#include <string>

namespace zeldb {

// Whether NET8 names a PostgreSQL server rather than a SQLite file: a URI
// "postgresql://" / "postgres://", or key=value pairs.
bool Pg_IsConnectString(const std::string& service);

// `conninfo` (a URI "postgresql://..." or key=value pairs) without any
// password in it, for messages that name the database they mean: the
// password of a URI's user part ("user:secret@") and "password" parameters
// (key=value pairs, URI query) are left out; the rest stands as given.
std::string Pg_ShownConnectString(const std::string& conninfo);

}  // namespace zeldb
