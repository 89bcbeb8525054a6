#pragma once

#include <cstdint>
#include <string_view>

#include "base/Status.h"

class DVFile;

// Source settings as the editor changes them: each stores the value through
// the definition's setter and then does what the change means for the column
// list, reading the source where it must (so the call may be slow). Each
// reports whether the value changed.
namespace SourceSettings {

// A new type resets the definition (to one as the editor begins it); Excel and
// Access then choose their installed driver.
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
bool SetQuotedLineBreaks(DVFile& definition, bool on);

// Reads the columns of the source as it is set now (after the fixed column
// widths changed, say).
Status ReadColumns(DVFile& definition);

// Opens the selected table or query with a row limit of 1, which also brings
// the definition's columns in line with it; a failure's detail is the
// source's error text.
Status TestSelection(DVFile& definition);

// Whether the definition's source is set up well enough to run; the code
// says what is missing. Reads nothing.
Status CheckSource(const DVFile& definition);
// The same, and its regional setting names a locale this machine has.
Status CheckRun(const DVFile& definition);

}  // namespace SourceSettings
