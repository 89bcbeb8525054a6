#pragma once

#include <functional>
#include <string>
#include <vector>

#include "model/DVFile.h"

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
// The first rows of the selected table or query, as their display forms:
// FormatTablePreview over ReadTablePreviewInputs.
TablePreview ReadTablePreview(const DVFile& definition, int32_t maxRows = kPreviewRows,
                              const KeepGoing& keepGoing = {});
// The first rows as read: for each column what its display form is made
// from (which depends on the columns' data types, not on their formats).
TablePreview ReadTablePreviewInputs(const DVFile& definition, int32_t maxRows = kPreviewRows,
                                    const KeepGoing& keepGoing = {});
// The rows of inputs in the display forms of definition's columns (formats,
// case, defaults, last values) under its regional settings, named after
// them; cells of columns the definition lacks stay as read. Cheap: a change
// of formats calls this again instead of reading the rows again.
TablePreview FormatTablePreview(const TablePreview& inputs, const DVFile& definition);

// The output preview: the first rows of XML the definition produces, or the
// error text of a failed run.
std::string RunOutputPreview(const DVFile& definition, const KeepGoing& keepGoing = {});

}  // namespace SourceReading
