#pragma once

#include <vector>

#include "TextFileDataSource.h"

// Rows of a text file whose fields sit at fixed character positions.
class FixedWidthTextFileDataSource : public TextFileDataSource {
public:
    using TextFileDataSource::TextFileDataSource;

    int32_t Validate(const DVFile& definition) override;
    bool ReadHeader(DVFile& definition) override;
    bool ReadRecord() override;
    // Renames the definition's columns (and the nodes that carry a column's
    // old name) to the header names; drops surplus columns.
    bool SyncColumns(DVFile& definition) override;

    // Columns from a first line: a run of two or more spaces ends a column,
    // which keeps its trailing spaces; no such run gives one column as wide
    // as the line. Replaces the definition's columns; returns their count.
    static size_t DetectColumns(std::string_view line, DVFile& definition);

private:
    std::vector<int32_t> widths_;
};
