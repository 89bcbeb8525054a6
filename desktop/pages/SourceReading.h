#pragma once

#include <functional>
#include <string>
#include <vector>

#include "definition/DVFile.h"

// What the pages read from a source for previews and tests, free of the user
// interface so that it runs on a worker thread over a copy of the definition.
namespace SourceReading {

using KeepGoing = std::function<bool()>;

inline constexpr size_t kPreviewChars = 1048576;
inline constexpr int32_t kPreviewRows = 100;

// The start of a text file as the text reader decodes it, at most maxChars
// characters; empty when it cannot be read.
std::string ReadSourceText(const std::string& path, size_t maxChars = kPreviewChars);

struct TablePreview {
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
    std::string error;  // why nothing could be read; empty otherwise
};
// The first rows of the selected table or query, as their display forms.
TablePreview ReadTablePreview(const DVFile& definition, int32_t maxRows = kPreviewRows,
                              const KeepGoing& keepGoing = {});

// Connects with the definition's settings; empty on success, else the
// connection's error text.
std::string TestConnection(const DVFile& definition);

// The tables and views of a database source, in name order; error tells why
// there are none when the source could not be reached.
std::vector<std::string> ListTables(const DVFile& definition, std::string& error);

// Opens the selected table or query with a row limit of 1, which also brings
// the definition's columns in line with it. 0 or the result code; message is
// the code's message with the source's error text.
int32_t TestSelection(DVFile& definition, const std::string& definitionPath, std::string& message);

// The output preview: the first rows of XML the definition produces, or the
// error text of a failed run.
std::string RunOutputPreview(const DVFile& definition, const KeepGoing& keepGoing = {});

}  // namespace SourceReading
