#pragma once

#include <memory>
#include <string>

#include "IConnection.h"

namespace Norvik {

// A connection for a connection string: the built-in workbook driver when the
// string names it, an ODBC connection otherwise. Not yet connected.
std::unique_ptr<IConnection> CreateConnection(const std::string& connectionString);

}  // namespace Norvik
