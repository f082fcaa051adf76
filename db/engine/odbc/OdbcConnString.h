// An ODBC connection string: how NET8 names an ODBC data source, how LOGIN
// and PASS join it, and how messages may show it. Text alone, no driver
// manager: the factory recognises a data source before any engine opens.
#pragma once

#include <string>
#include <string_view>

namespace zeldb {

// Whether NET8 names an ODBC data source: it begins with "DSN=" (the key in
// any case, as ODBC reads keys).
bool Odbc_IsDataSource(const std::string& service);

// `value` as the value of a connection-string attribute: as it stands, or
// in braces when it holds ';', '{' or '}' or begins or ends with a blank
// (which a driver would otherwise cut off), with every '}' doubled.
std::string Odbc_AttributeValue(std::string_view value);

// The string handed to the driver manager: NET8, then LOGIN as UID and PASS
// as PWD, each only when given.
std::string Odbc_ConnectString(const std::string& service, const std::string& user, const std::string& password);

// `service` without any PWD attribute, for messages that name the data
// source they mean; the rest stands as given.
std::string Odbc_ShownConnectString(const std::string& service);

}  // namespace zeldb
