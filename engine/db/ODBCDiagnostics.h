#pragma once

#include <sql.h>

#include <string>
#include <string_view>

namespace Norvik {

// The standard text of an ODBC SQLSTATE (case ignored); null when unknown.
const char* SqlStateText(std::string_view state);

// The diagnostic records of a handle, after a prefix ("ODBC Driver Error"
// when the prefix is empty): for each record "\n\nSQL State:\t<state> -
// <text>\nError Code:\t<native>\nDescription:\t<message>", or "\n\nThe
// driver returned no error information".
std::string FormatDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle, std::string_view prefix);

// The connection string with every PWD value replaced by asterisks, for
// texts that users and logs see.
std::string MaskPasswords(std::string_view connectionString);

}  // namespace Norvik
