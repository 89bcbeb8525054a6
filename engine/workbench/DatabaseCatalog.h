#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class DVFile;

// What the editor asks of the installed ODBC drivers and of a database
// source: the catalogue, the connection a definition would make, a test
// connection and the table list. Free of the user interface; the slow calls
// (connecting) belong on a worker thread over a copy of the definition.
namespace DatabaseCatalog {

// Installed driver descriptions in name order (the built-in workbook driver
// among them).
std::vector<std::string> Drivers();
std::map<std::string, std::string> DriverAttributes(const std::string& driver);
// Whether a driver reads a database file (its attributes name a file usage
// or file extensions).
bool DriverNeedsFile(const std::string& driver);
// Data source names whose driver is driver (ignoring case).
std::vector<std::string> DataSourceNames(const std::string& driver);
// The driver installed for the Excel and Access source types; empty for
// other types or when none is installed.
std::string InstalledDriverFor(int32_t sourceType);

// The connection string the definition's source connects with; empty for
// sources that are not databases.
std::string ConnectionString(const DVFile& definition);
// Connects with the definition's settings; empty on success, else the
// connection's error text.
std::string TestConnection(const DVFile& definition);
// The tables and views of a database source, in name order; error tells why
// there are none when the source could not be reached.
std::vector<std::string> ListTables(const DVFile& definition, std::string& error);

}  // namespace DatabaseCatalog
