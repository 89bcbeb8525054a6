#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CSCol;
class DVDataSource;

// Rows a source has accepted, copied so that another thread can format and
// write them while the source reads on: each row's number and, for every
// column, its raw value and (for number columns, where it differs) what its
// display form is formatted from.
class RowBatch {
public:
    // The source's columns, once before the first row.
    void SetColumns(const std::vector<CSCol>& columns);
    // Empties the batch; keeps the memory.
    void Clear();
    // Copies the source's current row.
    void Add(DVDataSource& source, int32_t rowNumber);

    size_t RowCount() const noexcept { return rowNumbers_.size(); }
    size_t ColumnCount() const noexcept { return numbers_.size(); }
    size_t Bytes() const noexcept { return text_.size(); }
    int32_t RowNumber(size_t row) const { return rowNumbers_[row]; }
    std::string_view Raw(size_t row, size_t column) const {
        return View(cells_[row * numbers_.size() + column].raw);
    }
    std::string_view Input(size_t row, size_t column) const {
        return View(cells_[row * numbers_.size() + column].input);
    }

private:
    struct Span {
        uint32_t offset = 0;
        uint32_t size = 0;
    };
    struct Cell {
        Span raw;
        Span input;
    };

    Span Keep(std::string_view text);
    std::string_view View(Span span) const {
        return std::string_view(text_).substr(span.offset, span.size);
    }

    std::vector<bool> numbers_;  // per column: formatted from NumberText
    std::string text_;
    std::vector<Cell> cells_;
    std::vector<int32_t> rowNumbers_;
};
