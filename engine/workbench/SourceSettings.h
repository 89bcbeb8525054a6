#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class DVFile;

// Source settings as the editor changes them: each stores the value through
// the definition's setter and then does what the change means for the column
// list, reading the source where it must (so the call may be slow). Each
// reports whether the value changed.
namespace SourceSettings {

// A new type resets the definition; Excel and Access then choose their
// installed driver.
bool SetSourceType(DVFile& definition, int32_t type);
// Text sources read their columns when they have none; database sources
// read them again, and a file that cannot be read clears table and query.
bool SetSourceFileName(DVFile& definition, std::string_view name);
// A table of a database source brings its columns; an empty one removes them.
bool SetSqlTableName(DVFile& definition, std::string_view name);
// These read the columns again.
bool SetDelimiter(DVFile& definition, std::string_view delimiter);
bool SetFirstRowHasColNames(DVFile& definition, bool on);
bool SetTreatConsecutiveDelimsAsOne(DVFile& definition, bool on);

// Reads the columns of the source as it is set now (after the fixed column
// widths changed, say); 0 or the result code.
int32_t ReadColumns(DVFile& definition);

// Opens the selected table or query with a row limit of 1, which also brings
// the definition's columns in line with it. 0 or the result code; message is
// the code's message with the source's error text.
int32_t TestSelection(DVFile& definition, const std::string& definitionPath, std::string& message);

// Whether the definition's source is set up well enough to run: 0, or the
// result code that says what is missing. Reads nothing.
int32_t CheckSource(const DVFile& definition);

}  // namespace SourceSettings
